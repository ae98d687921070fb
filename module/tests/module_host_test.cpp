// A small host process for the module library: it loads Ostrel2.dll with
// dlopen from a folder that also holds a counting data source, drives the
// thirteen exports against the real virtual camera showing a known still
// picture, and checks every form of the hand-over against that picture.
#include "imaging/bitmap.h"
#include "imaging/dib.h"
#include "imaging/save.h"
#include "imaging/testing/known_picture.h"
#include "platform/memory/global_memory.h"
#include "platform/ousbdrv/testing/daemon_process.h"
#include "platform/shell/process.h"
#include "platform/twain/scanner_module.h"
#include "platform/ui/window_message.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
namespace po = platform::ousbdrv;
using namespace scanner_module;

namespace {

using imaging::testing::comparePixels;
using imaging::testing::writeKnownPicture;
using Difference = imaging::testing::PictureDifference;

constexpr int kWidth = 640, kHeight = 480, kRowBytes = kWidth * 3;

// A picture file as RGB bytes, top row first, read by ImageMagick.
std::string rgbOfFile(const fs::path& file)
{
    auto result = platform::shell::runProgram({"convert", file.string(), "-depth", "8", "rgb:-"});
    return result.exitCode == 0 ? result.output : std::string();
}

// The module's exports as the data source binds them.
struct Module {
    void* handle = nullptr;
    SmGetSMVersionNo version;
    SmGetProductName productName;
    SmConnectScanner connect;
    SmGetDefValue getDefaults;
    SmSetDefValue setDefaults;
    SmOpenSMUI open;
    SmCkUseBufXfer bufXfer;
    SmUpdateImageInfo imageInfo;
    SmGetSMImage_Buf strip;
    SmGetSMImage_File file;
    SmGetSMImage_DIB dib;
    SmCloseSMUI close;
    SmNoUItoXferImage noUi;

    template <typename T>
    T bind(const char* name)
    {
        void* f = dlsym(handle, name);
        EXPECT_NE(f, nullptr) << name;
        return reinterpret_cast<T>(f);
    }

    bool load(const fs::path& path)
    {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr)
            return false;
        version = bind<SmGetSMVersionNo>(kGetSMVersionNo);
        productName = bind<SmGetProductName>(kGetProductName);
        connect = bind<SmConnectScanner>(kConnectScanner);
        getDefaults = bind<SmGetDefValue>(kGetDefValue);
        setDefaults = bind<SmSetDefValue>(kSetDefValue);
        open = bind<SmOpenSMUI>(kOpenSMUI);
        bufXfer = bind<SmCkUseBufXfer>(kCkUseBufXfer);
        imageInfo = bind<SmUpdateImageInfo>(kUpdateImageInfo);
        strip = bind<SmGetSMImage_Buf>(kGetSMImage_Buf);
        file = bind<SmGetSMImage_File>(kGetSMImage_File);
        dib = bind<SmGetSMImage_DIB>(kGetSMImage_DIB);
        close = bind<SmCloseSMUI>(kCloseSMUI);
        noUi = bind<SmNoUItoXferImage>(kNoUItoXferImage);
        return true;
    }

    void unload()
    {
        if (handle != nullptr)
            dlclose(handle);
        handle = nullptr;
    }
};

bool pollUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class ModuleHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "ostrel2-host.XXXXXX").string();
        folder = ::mkdtemp(tmpl.data());
        known = writeKnownPicture(folder);
        expected = rgbOfFile(known);
        ASSERT_EQ(expected.size(), static_cast<std::size_t>(kRowBytes) * kHeight);

        // The module and its data source side by side, as installed.
        fs::create_directories(folder / "lib");
        fs::copy_file(fs::path(LUMO_TEST_BUILD_DIR) / "lib" / "Ostrel2.dll", folder / "lib" / "Ostrel2.dll");
        fs::copy_file(FAKE_DATA_SOURCE_PATH, folder / "lib" / kDataSourceFileName);
        fs::create_directories(folder / "windows");
        ::setenv("WINDIR", (folder / "windows").c_str(), 1);

        daemon = std::make_unique<po::testing::DaemonProcess>(OUSBDRVD_PATH);
        ASSERT_TRUE(daemon->start({"--device", "0", "--image", known.string()}, {0})) << daemon->error();
        ::setenv("OUSBDRV_ROOT", daemon->root().c_str(), 1);
    }

    void TearDown() override
    {
        module.unload();
        daemon.reset();
        ::unsetenv("OUSBDRV_ROOT");
        ::unsetenv("WINDIR");
        fs::remove_all(folder);
    }

    std::pair<int, int> dataSourceCalls()
    {
        void* ds = dlopen((folder / "lib" / kDataSourceFileName).c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (ds == nullptr)
            return {-1, -1};
        auto calls = reinterpret_cast<void (*)(int*, int*)>(dlsym(ds, "FakeDataSourceCalls"));
        int scans = -1, closes = -1;
        if (calls != nullptr)
            calls(&scans, &closes);
        dlclose(ds);
        return {scans, closes};
    }

    // Takes a picture with the window's button and asks for its hand-over
    // with the frame's message 0x401, as a holder of the window would.
    void takeAndAskForTransfer(QWidget* frame)
    {
        const int before = dataSourceCalls().first;
        QWidget* take = frame->findChild<QWidget*>(QStringLiteral("321"));
        ASSERT_NE(take, nullptr);
        ASSERT_TRUE(pollUntil([&] { return take->isVisible() && take->isEnabled(); }));
        QTest::mouseClick(take, Qt::LeftButton);
        platform::ui::sendMessage(frame, kFrameTransferMessage, 0, 0);
        ASSERT_TRUE(pollUntil([&] { return dataSourceCalls().first == before + 1; }));
    }

    fs::path folder;
    fs::path known;
    std::string expected;
    std::unique_ptr<po::testing::DaemonProcess> daemon;
    Module module;
};

} // namespace

TEST_F(ModuleHost, IdentityAndDefaultsNeedNoWindowAndNothingIsFetchedBeforeAPicture)
{
    ASSERT_TRUE(module.load(folder / "lib" / "Ostrel2.dll")) << dlerror();
    EXPECT_EQ(QCoreApplication::instance(), nullptr);  // loading made no application
    std::uint16_t version[2] = {7, 7};
    EXPECT_EQ(module.version(version), version);
    EXPECT_EQ(version[0], 1);
    EXPECT_EQ(version[1], 0);
    char name[34];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(module.productName(name, 0), 13);
    EXPECT_STREQ(name, "Orvane RZ-410");
    EXPECT_EQ(module.connect(), 1);
    EXPECT_EQ(module.bufXfer(), 1);
    EXPECT_EQ(module.noUi(), 1);
    SM_TRANSFER_DEFAULTS defaults{};
    EXPECT_EQ(module.getDefaults(&defaults), 0);
    const std::vector<int> words(defaults.word, defaults.word + SM_TRANSFER_DEFAULTS_WORDS);
    EXPECT_EQ(words, (std::vector<int>{1, 0, 0, 1, 0, 0, 2, 0, 0, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0}));

    TW_IMAGEINFO info{};
    info.ImageWidth = 99;
    module.imageInfo(&info);
    EXPECT_EQ(+info.ImageWidth, 99);
    TW_IMAGEMEMXFER strip{};
    strip.Memory.Length = kRowBytes;
    std::vector<std::uint8_t> room(kRowBytes);
    EXPECT_EQ(module.strip(&strip, room.data()), SM_FETCH_NO_IMAGE);
    EXPECT_EQ(module.file((folder / "none.bmp").c_str(), 0), SM_FETCH_NO_IMAGE);
    EXPECT_FALSE(fs::exists(folder / "none.bmp"));
    TW_HANDLE handle = nullptr;
    EXPECT_EQ(module.dib(&handle), SM_FETCH_NO_IMAGE);
    EXPECT_EQ(module.close(), nullptr);  // no window: nothing to close
}

TEST_F(ModuleHost, PictureArrivesAsStripsFileAndDibMatchingTheStill)
{
    ASSERT_TRUE(module.load(folder / "lib" / "Ostrel2.dll")) << dlerror();
    auto* frame = static_cast<QWidget*>(module.open());
    ASSERT_NE(frame, nullptr);
    ASSERT_NE(QCoreApplication::instance(), nullptr);  // the module made one
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Orvane RZ-410"));

    // Strips with room for 100 rows.
    takeAndAskForTransfer(frame);
    TW_IMAGEINFO info{};
    module.imageInfo(&info);
    EXPECT_EQ(+info.ImageWidth, kWidth);
    EXPECT_EQ(+info.ImageLength, kHeight);
    EXPECT_EQ(+info.BitsPerPixel, 24);
    EXPECT_EQ(+info.PixelType, 2);
    std::string strips(static_cast<std::size_t>(kRowBytes) * kHeight, '\0');
    std::vector<std::uint8_t> room(100 * kRowBytes);
    std::vector<int> results, offsets;
    for (int call = 0; call < 6; ++call) {
        TW_IMAGEMEMXFER strip{};
        strip.Memory.Length = static_cast<TW_UINT32>(room.size());
        results.push_back(module.strip(&strip, room.data()));
        if (results.back() == SM_FETCH_NO_IMAGE)
            break;
        offsets.push_back(static_cast<int>(strip.YOffset));
        ASSERT_LE(static_cast<std::size_t>(strip.YOffset) * kRowBytes + strip.BytesWritten, strips.size());
        std::memcpy(strips.data() + static_cast<std::size_t>(strip.YOffset) * kRowBytes, room.data(),
                    strip.BytesWritten);
    }
    EXPECT_EQ(results, (std::vector<int>{0, 0, 0, 0, 1, 2}));
    EXPECT_EQ(offsets, (std::vector<int>{0, 100, 200, 300, 400}));
    const Difference byStrips = comparePixels(strips, expected);
    EXPECT_LT(byStrips.mean, 5.0);
    EXPECT_LE(byStrips.worst, 16);

    // A file.
    takeAndAskForTransfer(frame);
    const fs::path written = folder / "fetched.bmp";
    EXPECT_EQ(module.file(written.c_str(), 0), 0);
    EXPECT_EQ(module.file(written.c_str(), 0), SM_FETCH_NO_IMAGE);
    const Difference byFile = comparePixels(rgbOfFile(written), expected);
    EXPECT_LT(byFile.mean, 5.0);
    EXPECT_LE(byFile.worst, 16);

    // A packed DIB in global memory, bottom-up blue-green-red.
    takeAndAskForTransfer(frame);
    TW_HANDLE handle = nullptr;
    EXPECT_EQ(module.dib(&handle), 0);
    ASSERT_NE(handle, nullptr);
    TW_HANDLE again = nullptr;
    EXPECT_EQ(module.dib(&again), SM_FETCH_NO_IMAGE);
    const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(handle));
    ASSERT_NE(bytes, nullptr);
    const imaging::BitmapInfoHeader header = imaging::readBitmapInfoHeader(bytes);
    ASSERT_EQ(header.width, kWidth);
    ASSERT_EQ(header.height, kHeight);
    ASSERT_EQ(header.bitCount, 24);
    ASSERT_GE(GlobalSize(handle), imaging::kBitmapInfoHeaderSize + static_cast<std::size_t>(kRowBytes) * kHeight);
    std::string fromDib;
    for (int y = kHeight - 1; y >= 0; --y) {
        const std::uint8_t* row = bytes + imaging::kBitmapInfoHeaderSize + static_cast<std::size_t>(y) * kRowBytes;
        for (int x = 0; x < kWidth; ++x)
            fromDib += {static_cast<char>(row[3 * x + 2]), static_cast<char>(row[3 * x + 1]),
                        static_cast<char>(row[3 * x])};
    }
    GlobalUnlock(handle);
    GlobalFree(handle);
    const Difference byDib = comparePixels(fromDib, expected);
    EXPECT_LT(byDib.mean, 5.0);
    EXPECT_LE(byDib.worst, 16);

    EXPECT_EQ(dataSourceCalls().second, 0);
    EXPECT_EQ(module.close(), nullptr);
    QPointer<QWidget> gone(frame);
    EXPECT_TRUE(pollUntil([&] { return gone.isNull(); }));
}

TEST_F(ModuleHost, SurvivesRepeatedLoadOpenCloseAndUnload)
{
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(module.load(folder / "lib" / "Ostrel2.dll")) << dlerror();
        auto* frame = static_cast<QWidget*>(module.open());
        ASSERT_NE(frame, nullptr);
        QWidget* close = frame->findChild<QWidget*>(QStringLiteral("1006"));
        ASSERT_NE(close, nullptr);
        QTest::mouseClick(close, Qt::LeftButton);  // the data source is asked to close
        EXPECT_EQ(dataSourceCalls().second, 1);  // a fresh data source each round
        EXPECT_EQ(module.close(), nullptr);
        module.unload();
        EXPECT_EQ(QCoreApplication::instance(), nullptr);  // the module's own application went with it
    }
}
