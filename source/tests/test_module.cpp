// A small scanner module for the data source's tests: a synthetic picture
// (a gradient whose colour at each pixel is known) kept as a bottom-up,
// blue-green-red device-independent bitmap, handed over by the thirteen
// exports as the camera module hands its pictures over.

#include "source/tests/test_module.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <QApplication>
#include <QWidget>

#include "platform/memory/global_memory.h"
#include "platform/twain/scanner_module.h"
#include "platform/ui/window_message.h"

#define TEST_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

TestModuleControl control;

struct Picture {
    int width = 0, height = 0, bits = 0;
    std::uint32_t stride = 0;
    std::vector<std::uint8_t> rows;  // bottom-up, padded to 4 bytes, BGR
};
Picture* pending = nullptr;
std::uint16_t nextStripRow = 0;
SM_TRANSFER_DEFAULTS ownDefaults{};
char windowStandIn;  // the "window" handed out when there is no window system

int envInt(const char* name, int fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

__attribute__((constructor)) void readEnvironment()
{
    control.width = envInt("TEST_MODULE_WIDTH", control.width);
    control.height = envInt("TEST_MODULE_HEIGHT", control.height);
    control.bitsPerPixel = envInt("TEST_MODULE_BITS", control.bitsPerPixel);
    control.canTransferStrips = envInt("TEST_MODULE_STRIPS", control.canTransferStrips);
    control.readyWithoutUi = envInt("TEST_MODULE_READY_WITHOUT_UI", 0) != 0;
}

void makePicture()
{
    delete pending;
    pending = new Picture;
    Picture& p = *pending;
    p.width = control.width;
    p.height = control.height;
    p.bits = control.bitsPerPixel;
    p.stride = ((static_cast<std::uint32_t>(p.width) * p.bits + 31) / 32) * 4;
    p.rows.assign(std::size_t{p.stride} * p.height, 0);
    for (int y = 0; y < p.height; ++y) {
        std::uint8_t* row = &p.rows[std::size_t{p.stride} * (p.height - 1 - y)];  // bottom-up
        for (int x = 0; x < p.width; ++x) {
            const int r = x * 255 / std::max(1, p.width - 1);
            const int g = y * 255 / std::max(1, p.height - 1);
            if (p.bits == 24) {
                row[3 * x] = 128;  // blue
                row[3 * x + 1] = static_cast<std::uint8_t>(g);
                row[3 * x + 2] = static_cast<std::uint8_t>(r);
            } else if (p.bits == 8) {
                row[x] = static_cast<std::uint8_t>(r);
            } else if (((x / 8) + (y / 8)) % 2 == 0) {
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    nextStripRow = 0;
}

void releasePicture()
{
    delete pending;
    pending = nullptr;
    nextStripRow = 0;
}

template <typename Fn>
void callDataSource(const char* name)
{
    Dl_info self{};
    if (!::dladdr(reinterpret_cast<void*>(&makePicture), &self) || !self.dli_fname)
        return;
    std::string path = self.dli_fname;
    path = path.substr(0, path.rfind('/') + 1) + scanner_module::kDataSourceFileName;
    void* source = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!source)
        return;
    if (auto fn = reinterpret_cast<Fn>(::dlsym(source, name)))
        fn();
    ::dlclose(source);
}

void signalReady()
{
    makePicture();
    callDataSource<SmReadytoScan>(scanner_module::kReadytoScan);
}

class FrameWindow : public QWidget, public platform::ui::MessageTarget {
public:
    FrameWindow() { setWindowTitle("Test camera"); resize(200, 150); }
    std::intptr_t windowMessage(std::uint32_t message, std::uintptr_t, std::intptr_t) override
    {
        if (message == scanner_module::kFrameTransferMessage)
            signalReady();
        return 0;
    }

protected:
    void showEvent(QShowEvent*) override { control.windowVisible = true; }
    void hideEvent(QHideEvent*) override { control.windowVisible = false; }
};
FrameWindow* frame = nullptr;

std::vector<std::uint8_t> dibHeader(const Picture& p)
{
    const int colours = p.bits <= 8 ? (1 << p.bits) : 0;
    std::vector<std::uint8_t> h(40 + 4 * colours, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&h[at], &v, 4); };
    auto put16 = [&](std::size_t at, std::uint16_t v) { std::memcpy(&h[at], &v, 2); };
    put32(0, 40);
    put32(4, static_cast<std::uint32_t>(p.width));
    put32(8, static_cast<std::uint32_t>(p.height));
    put16(12, 1);
    put16(14, static_cast<std::uint16_t>(p.bits));
    put32(20, p.stride * p.height);
    put32(32, static_cast<std::uint32_t>(colours));
    for (int i = 0; i < colours; ++i) {
        const std::uint8_t v = static_cast<std::uint8_t>(i * 255 / (colours - 1));
        h[40 + 4 * i] = h[41 + 4 * i] = h[42 + 4 * i] = v;
    }
    return h;
}

void writeBmp(const std::string& path, const Picture& p)
{
    const std::vector<std::uint8_t> info = dibHeader(p);
    std::uint8_t file[14] = {'B', 'M'};
    const std::uint32_t offset = 14 + static_cast<std::uint32_t>(info.size());
    const std::uint32_t size = offset + static_cast<std::uint32_t>(p.rows.size());
    std::memcpy(file + 2, &size, 4);
    std::memcpy(file + 10, &offset, 4);
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(file, 1, sizeof file, f);
        std::fwrite(info.data(), 1, info.size(), f);
        std::fwrite(p.rows.data(), 1, p.rows.size(), f);
        std::fclose(f);
    }
}

// An uncompressed single-strip little-endian TIFF, rows top-down, RGB.
void writeTiff(const std::string& path, const Picture& p)
{
    const std::uint32_t samples = p.bits == 24 ? 3 : 1;
    const std::uint32_t rowBytes = p.bits == 1 ? (p.width + 7) / 8 : samples * p.width;
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < p.height; ++y) {
        const std::uint8_t* row = &p.rows[std::size_t{p.stride} * (p.height - 1 - y)];
        for (std::uint32_t i = 0; i < rowBytes; ++i)
            pixels.push_back(p.bits == 24 ? row[(i / 3) * 3 + 2 - i % 3] : row[i]);
    }
    struct Entry { std::uint16_t tag, type; std::uint32_t count, value; };
    const std::uint32_t dataOffset = 8;
    const std::uint32_t ifd = dataOffset + static_cast<std::uint32_t>(pixels.size());
    const Entry entries[] = {
        {256, 4, 1, static_cast<std::uint32_t>(p.width)},
        {257, 4, 1, static_cast<std::uint32_t>(p.height)},
        {258, 3, 1, p.bits == 1 ? 1u : 8u},
        {259, 3, 1, 1},
        {262, 3, 1, p.bits == 24 ? 2u : p.bits == 8 ? 1u : 0u},
        {273, 4, 1, dataOffset},
        {277, 3, 1, samples},
        {278, 4, 1, static_cast<std::uint32_t>(p.height)},
        {279, 4, 1, static_cast<std::uint32_t>(pixels.size())},
    };
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    const std::uint8_t header[4] = {'I', 'I', 42, 0};
    std::fwrite(header, 1, 4, f);
    std::fwrite(&ifd, 4, 1, f);
    std::fwrite(pixels.data(), 1, pixels.size(), f);
    const std::uint16_t count = std::size(entries);
    std::fwrite(&count, 2, 1, f);
    for (const Entry& e : entries) {
        std::fwrite(&e.tag, 2, 1, f);
        std::fwrite(&e.type, 2, 1, f);
        std::fwrite(&e.count, 4, 1, f);
        std::fwrite(&e.value, 4, 1, f);
    }
    const std::uint32_t next = 0;
    std::fwrite(&next, 4, 1, f);
    std::fclose(f);
}

}  // namespace

TEST_MODULE_EXPORT TestModuleControl* TestModuleControlBlock() { return &control; }
TEST_MODULE_EXPORT void TestModuleSignalReady() { signalReady(); }
TEST_MODULE_EXPORT void TestModuleSignalClose()
{
    callDataSource<SmReadytoCloseSM>(scanner_module::kReadytoCloseSM);
}

TEST_MODULE_EXPORT uint16_t* GetSMVersionNo(uint16_t* majorMinor)
{
    majorMinor[0] = 1;
    majorMinor[1] = 0;
    return majorMinor;
}

TEST_MODULE_EXPORT int32_t GetProductName(char* buffer, int32_t)
{
    static constexpr char kName[] = "Test Camera";
    std::memcpy(buffer, kName, sizeof kName);
    return static_cast<int32_t>(sizeof kName - 1);
}

TEST_MODULE_EXPORT int32_t ConnectScanner()
{
    ++control.connectCalls;
    return control.connectResult;
}

TEST_MODULE_EXPORT int32_t GetDefValue(SM_TRANSFER_DEFAULTS* block)
{
    ownDefaults = control.defaults;
    *block = ownDefaults;
    return 0;
}

TEST_MODULE_EXPORT void SetDefValue(const SM_TRANSFER_DEFAULTS* block)
{
    ++control.setDefValueCalls;
    control.lastSettings = *block;
    ownDefaults = *block;
}

TEST_MODULE_EXPORT SM_WINDOW OpenSMUI()
{
    ++control.openUiCalls;
    if (control.openUiFails)
        return nullptr;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        control.windowVisible = true;
        return &windowStandIn;
    }
    frame = new FrameWindow;
    frame->show();
    return static_cast<QWidget*>(frame);
}

TEST_MODULE_EXPORT int32_t CkUseBufXfer() { return control.canTransferStrips; }

TEST_MODULE_EXPORT void UpdateImageInfo(TW_IMAGEINFO* info)
{
    if (!pending)
        return;
    info->XResolution = {72, 0};
    info->YResolution = {72, 0};
    info->ImageWidth = pending->width;
    info->ImageLength = pending->height;
    info->SamplesPerPixel = static_cast<TW_INT16>(std::max(1, pending->bits / 8));
    std::memset(info->BitsPerSample, 0, sizeof info->BitsPerSample);
    if (pending->bits == 1) {
        info->BitsPerSample[0] = 1;
        info->BitsPerPixel = 1;
        info->PixelType = TWPT_BW;
    } else if (pending->bits <= 8) {
        info->BitsPerSample[0] = 8;
        info->BitsPerPixel = 8;
        info->PixelType = TWPT_GRAY;
    } else {
        info->BitsPerSample[0] = info->BitsPerSample[1] = info->BitsPerSample[2] = 8;
        info->BitsPerPixel = 24;
        info->PixelType = TWPT_RGB;
    }
    info->Planar = 0;
    info->Compression = static_cast<TW_UINT16>(ownDefaults.word[1]);
}

TEST_MODULE_EXPORT uint16_t GetSMImage_Buf(TW_IMAGEMEMXFER* strip, void* destination)
{
    if (!pending)
        return SM_FETCH_NO_IMAGE;
    const std::uint16_t perRow = static_cast<std::uint16_t>(pending->stride);
    const std::uint16_t left = static_cast<std::uint16_t>(pending->height - nextStripRow);
    const std::uint16_t fit = static_cast<std::uint16_t>(strip->Memory.Length / perRow);
    const std::uint16_t rows = std::min(left, fit);
    strip->Compression = static_cast<TW_UINT16>(ownDefaults.word[1]);
    strip->BytesPerRow = perRow;
    strip->Columns = static_cast<TW_UINT32>(pending->width);
    strip->Rows = rows;
    strip->XOffset = 0;
    strip->YOffset = nextStripRow;
    strip->BytesWritten = std::uint32_t{perRow} * rows;
    auto* out = static_cast<std::uint8_t*>(destination);
    for (std::uint16_t i = 0; i < rows; ++i) {
        const int r = nextStripRow + i;
        const std::uint8_t* line = &pending->rows[std::size_t{pending->stride} * (pending->height - 1 - r)];
        std::uint8_t* to = out + std::size_t{perRow} * i;
        std::memcpy(to, line, perRow);
        if (pending->bits == 24)
            for (std::uint32_t g = 0; g + 2 < perRow; g += 3)
                std::swap(to[g], to[g + 2]);
    }
    nextStripRow = static_cast<std::uint16_t>(nextStripRow + rows);
    if (nextStripRow < pending->height)
        return SM_FETCH_MORE;
    releasePicture();
    return SM_FETCH_LAST;
}

TEST_MODULE_EXPORT uint16_t GetSMImage_File(const char* path, int32_t)
{
    if (control.fileResult >= 0)
        return static_cast<uint16_t>(control.fileResult);
    if (!pending)
        return SM_FETCH_NO_IMAGE;
    std::string upper = path;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.find(".BMP", 1) != std::string::npos)
        writeBmp(path, *pending);
    else
        writeTiff(path, *pending);
    releasePicture();
    return 0;
}

TEST_MODULE_EXPORT uint16_t GetSMImage_DIB(TW_HANDLE* dib)
{
    if (control.dibResult >= 0)
        return static_cast<uint16_t>(control.dibResult);
    if (!pending)
        return SM_FETCH_NO_IMAGE;
    const std::vector<std::uint8_t> header = dibHeader(*pending);
    HGLOBAL handle = GlobalAlloc(GHND, header.size() + pending->rows.size());
    auto* p = static_cast<std::uint8_t*>(GlobalLock(handle));
    if (!p)
        return SM_FETCH_NO_IMAGE;
    std::memcpy(p, header.data(), header.size());
    std::memcpy(p + header.size(), pending->rows.data(), pending->rows.size());
    GlobalUnlock(handle);
    *dib = handle;
    releasePicture();
    return 0;
}

#ifndef TEST_MODULE_WITHOUT_CLOSE
TEST_MODULE_EXPORT SM_WINDOW CloseSMUI()
{
    ++control.closeUiCalls;
    delete frame;
    frame = nullptr;
    control.windowVisible = false;
    return nullptr;
}
#endif

TEST_MODULE_EXPORT int32_t NoUItoXferImage()
{
    if (control.readyWithoutUi)
        signalReady();
    return control.noUiResult;
}
