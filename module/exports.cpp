// The library's thirteen exports. Everything else in the library is hidden.

#include "module/camera_access.h"
#include "module/main_wnd.h"
#include "module/module_app.h"
#include "module/module_strings.h"
#include "platform/twain/scanner_module.h"

#include <algorithm>
#include <cstring>

#define OSTREL2_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr uint16_t kVersionMajor = 1;
constexpr uint16_t kVersionMinor = 0;
// The product name is copied into a buffer of at least 34 bytes.
constexpr std::size_t kProductNameMax = 33;

ostrel2::CModuleApp* gApp = nullptr;

__attribute__((constructor)) void libraryStart()
{
    gApp = new ostrel2::CModuleApp(ostrel2::ovcamAccess());
    gApp->bindDataSource(ostrel2::ownFolder());
}

__attribute__((destructor)) void libraryEnd()
{
    delete gApp;
    gApp = nullptr;
}

} // namespace

OSTREL2_EXPORT uint16_t* GetSMVersionNo(uint16_t* majorMinor)
{
    if (majorMinor != nullptr) {
        majorMinor[0] = kVersionMajor;
        majorMinor[1] = kVersionMinor;
    }
    return majorMinor;
}

OSTREL2_EXPORT int32_t GetProductName(char* buffer, int32_t)
{
    if (buffer == nullptr)
        return 0;
    const std::string name = ostrel2::productName();
    const std::size_t length = std::min(name.size(), kProductNameMax);
    std::memcpy(buffer, name.data(), length);
    buffer[length] = '\0';
    return static_cast<int32_t>(length);
}

OSTREL2_EXPORT int32_t ConnectScanner(void)
{
    return 1;
}

OSTREL2_EXPORT int32_t GetDefValue(SM_TRANSFER_DEFAULTS* defaults)
{
    const SM_TRANSFER_DEFAULTS d = ostrel2::defaultTransferDefaults();
    gApp->pending().setDefaults(d);
    if (defaults != nullptr)
        *defaults = d;
    return 0;
}

OSTREL2_EXPORT void SetDefValue(const SM_TRANSFER_DEFAULTS* settings)
{
    if (settings != nullptr)
        gApp->pending().setDefaults(*settings);
}

OSTREL2_EXPORT SM_WINDOW OpenSMUI(void)
{
    return static_cast<QWidget*>(gApp->openWindow());
}

OSTREL2_EXPORT int32_t CkUseBufXfer(void)
{
    return 1;
}

OSTREL2_EXPORT void UpdateImageInfo(TW_IMAGEINFO* info)
{
    if (info != nullptr)
        gApp->pending().updateImageInfo(*info);
}

OSTREL2_EXPORT uint16_t GetSMImage_Buf(TW_IMAGEMEMXFER* strip, void* destination)
{
    if (strip == nullptr)
        return SM_FETCH_NO_IMAGE;
    return gApp->pending().fetchStrip(*strip, destination);
}

OSTREL2_EXPORT uint16_t GetSMImage_File(const char* path, int32_t)
{
    if (path == nullptr)
        return SM_FETCH_NO_IMAGE;
    return gApp->pending().fetchFile(path);
}

OSTREL2_EXPORT uint16_t GetSMImage_DIB(TW_HANDLE* dib)
{
    if (dib == nullptr)
        return SM_FETCH_NO_IMAGE;
    return gApp->pending().fetchDib(*dib);
}

OSTREL2_EXPORT SM_WINDOW CloseSMUI(void)
{
    // Ends the camera connection, then closes the window (if there is one).
    gApp->closeWindow();
    return nullptr;
}

OSTREL2_EXPORT int32_t NoUItoXferImage(void)
{
    return 1;
}

// The types the data source binds must match these definitions.
static_assert(std::is_same_v<decltype(&GetSMVersionNo), SmGetSMVersionNo>);
static_assert(std::is_same_v<decltype(&GetProductName), SmGetProductName>);
static_assert(std::is_same_v<decltype(&ConnectScanner), SmConnectScanner>);
static_assert(std::is_same_v<decltype(&GetDefValue), SmGetDefValue>);
static_assert(std::is_same_v<decltype(&SetDefValue), SmSetDefValue>);
static_assert(std::is_same_v<decltype(&OpenSMUI), SmOpenSMUI>);
static_assert(std::is_same_v<decltype(&CkUseBufXfer), SmCkUseBufXfer>);
static_assert(std::is_same_v<decltype(&UpdateImageInfo), SmUpdateImageInfo>);
static_assert(std::is_same_v<decltype(&GetSMImage_Buf), SmGetSMImage_Buf>);
static_assert(std::is_same_v<decltype(&GetSMImage_File), SmGetSMImage_File>);
static_assert(std::is_same_v<decltype(&GetSMImage_DIB), SmGetSMImage_DIB>);
static_assert(std::is_same_v<decltype(&CloseSMUI), SmCloseSMUI>);
static_assert(std::is_same_v<decltype(&NoUItoXferImage), SmNoUItoXferImage>);
