#pragma once
// The scanner-module interface: the thirteen functions a scanner module
// exports for the data source, and the two the data source exports for the
// module to call back. The module and the data source both include this
// header, so the two sides cannot drift apart.

#include <stdint.h>

#include "platform/twain/twain_types.h"

#ifdef __cplusplus
extern "C" {
#endif

// Pointer-sized, as every window and memory handle on this platform. The
// module window handle is the frame window's QWidget*.
typedef void* SM_WINDOW;

// The block of 19 signed 16-bit words the data source and the module
// exchange (38 bytes, little-endian, packed).
#define SM_TRANSFER_DEFAULTS_WORDS 19
typedef struct {
    int16_t word[SM_TRANSFER_DEFAULTS_WORDS];
} SM_TRANSFER_DEFAULTS;

// Results of the three fetch calls.
#define SM_FETCH_MORE 0       // a strip delivered, more follow
#define SM_FETCH_LAST 1       // the last strip delivered
#define SM_FETCH_NO_IMAGE 2   // no picture (or out of memory): the transfer is cancelled

typedef uint16_t* (*SmGetSMVersionNo)(uint16_t* majorMinor);
typedef int32_t (*SmGetProductName)(char* buffer, int32_t unused);
typedef int32_t (*SmConnectScanner)(void);
typedef int32_t (*SmGetDefValue)(SM_TRANSFER_DEFAULTS* defaults);
typedef void (*SmSetDefValue)(const SM_TRANSFER_DEFAULTS* settings);
typedef SM_WINDOW (*SmOpenSMUI)(void);
typedef int32_t (*SmCkUseBufXfer)(void);
typedef void (*SmUpdateImageInfo)(TW_IMAGEINFO* info);
typedef uint16_t (*SmGetSMImage_Buf)(TW_IMAGEMEMXFER* strip, void* destination);
typedef uint16_t (*SmGetSMImage_File)(const char* path, int32_t unused);
typedef uint16_t (*SmGetSMImage_DIB)(TW_HANDLE* dib);
typedef SM_WINDOW (*SmCloseSMUI)(void);
typedef int32_t (*SmNoUItoXferImage)(void);

// The data source's exports the module calls.
typedef void (*SmReadytoScan)(void);
typedef void (*SmReadytoCloseSM)(void);

#ifdef __cplusplus
}  // extern "C"

static_assert(sizeof(SM_TRANSFER_DEFAULTS) == 38);

namespace scanner_module {

// The export names, in the order a binder looks them up.
inline constexpr const char* kGetSMVersionNo = "GetSMVersionNo";
inline constexpr const char* kGetProductName = "GetProductName";
inline constexpr const char* kConnectScanner = "ConnectScanner";
inline constexpr const char* kGetDefValue = "GetDefValue";
inline constexpr const char* kSetDefValue = "SetDefValue";
inline constexpr const char* kOpenSMUI = "OpenSMUI";
inline constexpr const char* kCkUseBufXfer = "CkUseBufXfer";
inline constexpr const char* kUpdateImageInfo = "UpdateImageInfo";
inline constexpr const char* kGetSMImage_Buf = "GetSMImage_Buf";
inline constexpr const char* kGetSMImage_File = "GetSMImage_File";
inline constexpr const char* kGetSMImage_DIB = "GetSMImage_DIB";
inline constexpr const char* kCloseSMUI = "CloseSMUI";
inline constexpr const char* kNoUItoXferImage = "NoUItoXferImage";

inline constexpr const char* kReadytoScan = "ReadytoScan";
inline constexpr const char* kReadytoCloseSM = "ReadytoCloseSM";

// The data source's file, which the module loads from its own directory.
inline constexpr const char* kDataSourceFileName = "Dorsa32.ds";

// Window messages the module's frame window takes from a holder of its handle.
inline constexpr uint32_t kFrameTransferMessage = 0x401;  // hand the held picture over

}  // namespace scanner_module
#endif
