#pragma once
// The data source: its TWAIN state, identity, condition code and the
// dispatch of every triplet a program sends through the source manager.
// One instance lives for as long as the library is loaded.

#include <cstdint>
#include <string>

#include "platform/twain/scanner_module.h"
#include "platform/twain/twain_types.h"
#include "source/capabilities.h"
#include "source/scanner_module_binding.h"
#include "source/tiff_strip_reader.h"

namespace dorsa {

// TWAIN states the source moves through.
enum State : int {
    kStateUnbound = 0,  // the module could not be bound: no triplet is accepted
    kStateLoaded = 3,
    kStateOpen = 4,
    kStateEnabled = 5,
    kStateTransferReady = 6,
    kStateTransferring = 7,
};

inline constexpr TW_UINT16 kProtocolMajor = 1;
inline constexpr TW_UINT16 kProtocolMinor = 5;
inline constexpr TW_UINT32 kSetupMemoryBufferSize = 0x8000;
inline constexpr const char* kReadFailedText = " Read image data failed ";

class DataSource {
public:
    DataSource();
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    // Library start: binds the module and fills the identity.
    void bindModule();
    // Library end: a module still loaded (the source was unloaded without
    // MSG_CLOSEDS) is released.
    void shutdown();

    TW_UINT16 entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

    // The module's callbacks.
    void readyToScan();
    void readyToClose();

    int state() const { return state_; }

private:
    using Handler = TW_UINT16 (DataSource::*)(TW_UINT16 msg, TW_MEMREF data);
    struct TableEntry {
        TW_UINT16 dat;
        Handler handler;
    };

    TW_UINT16 fail(TW_UINT16 conditionCode);
    bool inStates(int low, int high) const { return state_ >= low && state_ <= high; }

    // Control group.
    TW_UINT16 identity(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 userInterface(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 capability(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 status(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 pendingTransfers(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 setupMemoryTransfer(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 setupFileTransfer(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 transferGroup(TW_UINT16 msg, TW_MEMREF data);
    // Image group.
    TW_UINT16 imageInfo(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 imageLayout(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 memoryTransfer(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 nativeTransfer(TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 fileTransfer(TW_UINT16 msg, TW_MEMREF data);

    TW_UINT16 openSource(pTW_IDENTITY origin, pTW_IDENTITY data);
    TW_UINT16 closeSource();
    void fillIdentity();
    void readModuleDefaults();
    void makeDefaultFileSetup();
    void prepareMemoryRoute();
    // Drops a memory transfer cut short: the module's file and the reader's
    // place in it, so the next transfer starts at a whole picture.
    void abandonMemoryRoute();
    TW_UINT16 transferResult(int moduleResult, bool strips);
    TW_UINT16 readFileStrip(TW_IMAGEMEMXFER& strip, std::uint8_t* buffer);
    void sendToProgram(TW_UINT16 msg);
    void showMessage(const char* text);

    static const TableEntry kControlTable[];
    static const TableEntry kImageTable[];

    int state_ = kStateUnbound;
    TW_UINT16 conditionCode_ = TWCC_SUCCESS;
    TW_IDENTITY own_{};
    TW_IDENTITY program_{};
    bool connected_ = false;
    ScannerModule module_;
    SM_WINDOW moduleWindow_ = nullptr;
    bool showUi_ = false;
    TW_HANDLE parentWindow_ = nullptr;  // kept, never used
    bool transferReady_ = false;
    bool closeRequested_ = false;

    Capabilities capabilities_;
    TW_IMAGEINFO imageInfo_{};
    TW_IMAGELAYOUT layout_{};
    TW_IMAGELAYOUT defaultLayout_{};
    TW_SETUPFILEXFER fileSetup_{};
    TW_SETUPFILEXFER defaultFileSetup_{};

    enum class Route { None, Buffered, File };
    Route route_ = Route::None;
    int routeResult_ = 0;
    TiffStripReader tiff_;
};

DataSource& dataSource();

}  // namespace dorsa
