#pragma once
// The scanner module this data source drives: the library named in
// dorsa.ini of the current directory and its thirteen exports.

#include <string>

#include "platform/twain/scanner_module.h"

namespace dorsa {

inline constexpr const char* kIniFileName = "dorsa.ini";
inline constexpr const char* kIniSection = "Device";
inline constexpr const char* kIniKey = "Scanner";
inline constexpr const char* kDefaultModule = "trellm.dll";
// Buffers the module's file name is read into and the current directory is
// taken with, as the source always has.
inline constexpr std::size_t kModuleNameChars = 129;
inline constexpr std::size_t kDirectoryChars = 120;

class ScannerModule {
public:
    ScannerModule() = default;
    ScannerModule(const ScannerModule&) = delete;
    ScannerModule& operator=(const ScannerModule&) = delete;
    ~ScannerModule() { unload(); }

    // Loads the configured module and binds its exports. False when the
    // library is missing or lacks one of the twelve required exports (only
    // GetSMVersionNo may be absent); nothing stays loaded then.
    bool load();
    void unload();
    bool loaded() const { return library_ != nullptr; }

    // The file load() reads from: dorsa.ini, then the module beside it.
    static std::string configuredPath();

    SmGetSMVersionNo getVersion = nullptr;  // may be absent
    SmGetProductName getProductName = nullptr;
    SmConnectScanner connectScanner = nullptr;
    SmGetDefValue getDefValue = nullptr;
    SmSetDefValue setDefValue = nullptr;
    SmOpenSMUI openUi = nullptr;
    SmCkUseBufXfer canTransferStrips = nullptr;
    SmUpdateImageInfo updateImageInfo = nullptr;
    SmGetSMImage_Buf fetchStrip = nullptr;
    SmGetSMImage_File fetchFile = nullptr;
    SmGetSMImage_DIB fetchDib = nullptr;
    SmCloseSMUI closeUi = nullptr;
    SmNoUItoXferImage transferWithoutUi = nullptr;

private:
    void* library_ = nullptr;
};

}  // namespace dorsa
