#pragma once
// The main window against the real virtual camera daemon with the capture
// driver registered, for the reliability tests: unplug soaks and full disks.
// Albums are doubles that keep the paths they were given; recordings take
// their sound from a generated tone.

#include "camera/app/main_window.h"
#include "camera/app/tests/album_double.h"
#include "camera/skin/bitmap_button.h"
#include "camera/skin/main_skin.h"
#include "camera/skin/record_button.h"
#include "platform/clock/clock.h"
#include "platform/ousbdrv/socket_transport.h"
#include "platform/ousbdrv/testing/daemon_process.h"
#include "platform/print/recording_printer.h"
#include "platform/ui/testing/recording_message_boxes.h"
#include "platform/ui/testing/test_application.h"
#include "platform/vfw/audio_source.h"
#include "platform/vfw/testing/vfw_test_support.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace lumoset::testing {

// Handles events in short slices until `done` or the timeout; precise to a
// few milliseconds, so it can time what it waits for.
template <typename Condition>
bool pollUntil(Condition done, int timeoutMs = 10000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline int envCount(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return fallback;
    const long parsed = std::strtol(value, nullptr, 10);
    return parsed > 0 && parsed <= 100000 ? static_cast<int>(parsed) : fallback;
}

class LiveWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::ui::testing::testApplication();
        std::string tmpl = (std::filesystem::temp_directory_path() / "reliability.XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        folder = tmpl;
        windir = folder / "windows";
        if (data.empty())
            data = folder / "data";
        std::filesystem::create_directories(windir);
        std::filesystem::create_directories(data);
        ::setenv("WINDIR", windir.c_str(), 1);
        vfw_testing::writeKnownPicture(folder / "known.bmp");
        daemon = std::make_unique<platform::ousbdrv::testing::DaemonProcess>(OUSBDRVD_PATH, folder / "cams");
        ASSERT_TRUE(daemon->start({"--device", "0", "--image", (folder / "known.bmp").string()}, {0}))
            << daemon->error();
        // The capture driver reaches the camera through the same daemon.
        ::setenv("OUSBDRV_ROOT", daemon->root().c_str(), 1);
        vfw_testing::registerDriver("O_vdocap.drv");
        transport = std::make_unique<platform::ousbdrv::SocketTransport>(daemon->root());
    }

    void TearDown() override
    {
        window.reset();
        transport.reset();
        daemon.reset();
        ::unsetenv("OUSBDRV_ROOT");
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    MainWindow& start()
    {
        MainWindowServices services;
        services.transport = windowTransport != nullptr ? windowTransport : transport.get();
        services.clock = &platform::clock::systemClock();
        services.printers = &printers;
        services.showHelpTopic = [](QWidget*, const std::string&, int) {};
        services.fileExists = [](const std::string&) { return false; };
        services.runSettingsSheet = [](QWidget*, CapturedSettings&, int&) { return false; };
        if (freeBytes)
            services.freeDiskBytes = freeBytes;
        services.makeAlbum = [this](int kind, QWidget* parent) -> std::unique_ptr<AlbumPanel> {
            auto album = std::make_unique<AlbumDouble>(parent);
            (kind == kPhotoAlbumKind ? photoAlbum : videoAlbum) = album.get();
            return album;
        };
        services.captureServices.audioSources = [] { return platform::vfw::makeToneAudioSource(); };
        MainWindowOptions options;
        options.programFolder = "/opt/lumoset/";
        options.dataFolder = data.string();
        window = std::make_unique<MainWindow>(services, options);
        EXPECT_TRUE(window->initialise());
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }

    bool livePicture(int frames = 3)
    {
        const int before = std::max(window->state().framesShown, 0);
        return pollUntil([&] { return window->state().framesShown >= before + frames; });
    }

    // A series of 1 s shots into AUTOSNAP/<base>N.bmp for an hour.
    void startSeries(const std::string& base)
    {
        CapturedSettings& c = window->capturedSettings();
        c.autoSnap = 1;
        c.snapIntervalSec = 1;
        c.snapTotalSec = 3600;
        c.seriesBaseName = (data / "AUTOSNAP" / base).string();
        c.seriesExtension = ".bmp";
        window->command(kIdTakePicture);
    }

    // A continuous recording of a minute at the smallest size, with sound.
    void startRecording()
    {
        CapturedSettings& c = window->capturedSettings();
        c.autoSnap = 0;
        c.videoType = kVideoContinuous;
        c.videoSize = 0;
        c.stopAfterSec = 60;
        c.recordSound = 1;
        window->command(kIdRecord);
    }

    std::filesystem::path folder, windir, data;
    std::unique_ptr<platform::ousbdrv::testing::DaemonProcess> daemon;
    std::unique_ptr<platform::ousbdrv::SocketTransport> transport;
    platform::print::RecordingPrinterService printers{false, 300, 300};
    platform::ui::testing::RecordingMessageBoxes boxes;
    std::function<std::uint64_t(const std::string&)> freeBytes;  // statvfs when empty
    platform::ousbdrv::DeviceTransport* windowTransport = nullptr;  // `transport` when null
    AlbumDouble* photoAlbum = nullptr;
    AlbumDouble* videoAlbum = nullptr;
    std::unique_ptr<MainWindow> window;
};

} // namespace lumoset::testing
