// The whole chain against the real scanner module: a TWAIN program (the
// acquisition of twacquire) opens the data source through the source
// manager, the data source loads Ostrel2.dll named by dorsa.ini, the module's
// window shows the virtual camera's known still picture, a user takes the
// picture and asks for its hand-over, and the program pulls it by native,
// file and memory transfer. What arrives must be the still picture.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/save.h"
#include "imaging/testing/known_picture.h"
#include "platform/ousbdrv/testing/daemon_process.h"
#include "platform/shell/process.h"
#include "platform/twain/acquisition.h"
#include "platform/twain/scanner_module.h"
#include "platform/ui/testing/test_application.h"
#include "platform/ui/window_message.h"

namespace fs = std::filesystem;

namespace {

using imaging::testing::writeKnownPicture;

constexpr int kWidth = 640, kHeight = 480;
constexpr const char* kModuleFile = "Ostrel2.dll";
constexpr const char* kSourceName = "Orvane RZ-410";

std::string rgbOfFile(const fs::path& file)
{
    auto result = platform::shell::runProgram({"convert", file.string(), "-depth", "8", "rgb:-"});
    return result.exitCode == 0 ? result.output : std::string();
}

class ModuleThroughTwain : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::ui::testing::testApplication();
        std::string tmpl = (fs::temp_directory_path() / "module-twain.XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root = tmpl;
        known = writeKnownPicture(root);
        expected = rgbOfFile(known);
        ASSERT_EQ(expected.size(), std::size_t{kWidth} * kHeight * 3);

        // The Windows directory with the manager and the source; the program's
        // folder with dorsa.ini, the module and the source beside it.
        const fs::path windows = root / "windows";
        const fs::path work = root / "work";
        const fs::path lib = fs::path(LUMO_TEST_BUILD_DIR) / "lib";
        fs::create_directories(windows / "twain_32" / "camera");
        fs::create_directories(work);
        fs::create_symlink(lib / "twain_32.dll", windows / "twain_32.dll");
        fs::create_symlink(lib / scanner_module::kDataSourceFileName,
                           windows / "twain_32" / "camera" / scanner_module::kDataSourceFileName);
        fs::create_symlink(lib / scanner_module::kDataSourceFileName, work / scanner_module::kDataSourceFileName);
        fs::create_symlink(lib / kModuleFile, work / kModuleFile);
        std::ofstream(work / "dorsa.ini") << "[Device]\nScanner=" << kModuleFile << "\n";
        ::setenv("WINDIR", windows.c_str(), 1);
        oldCwd = fs::current_path();
        fs::current_path(work);

        daemon = std::make_unique<platform::ousbdrv::testing::DaemonProcess>(OUSBDRVD_PATH);
        ASSERT_TRUE(daemon->start({"--device", "0", "--image", known.string()}, {0})) << daemon->error();
        ::setenv("OUSBDRV_ROOT", daemon->root().c_str(), 1);
    }

    void TearDown() override
    {
        daemon.reset();
        ::unsetenv("OUSBDRV_ROOT");
        ::unsetenv("WINDIR");
        fs::current_path(oldCwd);
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    // The user: once the module's window is up, press Take picture, then ask
    // for the hand-over as a holder of the window's handle does.
    twain::AcquireResult acquire(twain::AcquireOptions options)
    {
        options.sourceName = kSourceName;
        options.showUi = true;
        options.timeoutMs = 20000;
        bool asked = false;
        const auto pump = [&] {
            QApplication::processEvents();
            if (asked)
                return;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                QWidget* take = w->isVisible() ? w->findChild<QWidget*>(QStringLiteral("321")) : nullptr;
                if (take == nullptr || !take->isVisible() || !take->isEnabled())
                    continue;
                QTest::mouseClick(take, Qt::LeftButton);
                platform::ui::sendMessage(w, scanner_module::kFrameTransferMessage, 0, 0);
                asked = true;
                return;
            }
        };
        return twain::acquire(options, pump);
    }

    void expectStill(const fs::path& file)
    {
        const auto [mean, worst] = imaging::testing::comparePixels(rgbOfFile(file), expected);
        EXPECT_LT(mean, 5.0) << file;
        EXPECT_LE(worst, 16) << file;
    }

    fs::path root;
    fs::path known;
    fs::path oldCwd;
    std::string expected;
    std::unique_ptr<platform::ousbdrv::testing::DaemonProcess> daemon;
};

} // namespace

TEST_F(ModuleThroughTwain, NativeFileAndMemoryTransfersDeliverTheStill)
{
    struct Case {
        const char* name;
        twain::Mechanism mechanism;
        twain::BufferKind buffers;
        TW_UINT16 format;
        const char* output;
    };
    const Case cases[] = {
        {"native", twain::Mechanism::Native, twain::BufferKind::Pointer, TWFF_BMP, "native.bmp"},
        {"file bmp", twain::Mechanism::File, twain::BufferKind::Pointer, TWFF_BMP, "file.bmp"},
        {"file tiff", twain::Mechanism::File, twain::BufferKind::Pointer, TWFF_TIFF, "file.tif"},
        {"memory pointer", twain::Mechanism::Memory, twain::BufferKind::Pointer, TWFF_BMP, "memory-pointer.png"},
        {"memory handle", twain::Mechanism::Memory, twain::BufferKind::Handle, TWFF_BMP, "memory-handle.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        twain::AcquireOptions options;
        options.mechanism = c.mechanism;
        options.buffers = c.buffers;
        options.fileFormat = c.format;
        options.outputPath = (root / c.output).string();
        const twain::AcquireResult result = acquire(options);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.info.ImageWidth, kWidth);
        EXPECT_EQ(result.info.ImageLength, kHeight);
        EXPECT_EQ(result.info.BitsPerPixel, 24);
        if (c.mechanism == twain::Mechanism::Memory)
            EXPECT_GE(result.strips, 1);
        expectStill(root / c.output);
    }
}

// The acquisition program itself, as a script runs it: it clicks the window's
// take-picture key, asks for the transfer, and saves what arrives.
TEST_F(ModuleThroughTwain, TwacquireTakesThePictureAndSavesEveryTransfer)
{
    ::setenv("LSAN_OPTIONS", "suppressions=" LUMO_LSAN_SUPPRESSIONS_FILE, 0);
    struct Case {
        std::vector<std::string> mechanism;
        const char* output;
    };
    const Case cases[] = {
        {{"--mech", "native"}, "program-native.bmp"},
        {{"--mech", "file", "--format", "tiff"}, "program-file.tif"},
        {{"--mech", "memory", "--buffers", "pointer"}, "program-memory-pointer.png"},
        {{"--mech", "memory", "--buffers", "handle"}, "program-memory-handle.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        std::vector<std::string> args = {TWACQUIRE_PATH, "--source", kSourceName,
                                         "--output", (root / c.output).string(),
                                         "--press", "321", "--transfer-after", "1000",
                                         "--timeout", "30000"};
        args.insert(args.end(), c.mechanism.begin(), c.mechanism.end());
        const auto run = platform::shell::runProgram(args, platform::shell::CaptureOutput::StandardOutputAndError);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        EXPECT_NE(run.output.find("width 640"), std::string::npos) << run.output;
        expectStill(root / c.output);
    }
}
