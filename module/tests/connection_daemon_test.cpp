// The camera connection through the real camera access library and the real
// virtual-camera daemon: a camera unplugged and plugged back while the
// preview runs.
#include "module/camera_access.h"
#include "module/camera_connection.h"
#include "module/tests/module_test_support.h"
#include "platform/ousbdrv/testing/daemon_process.h"
#include "platform/ui/testing/recording_message_boxes.h"
#include "platform/ui/testing/test_application.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace ostrel2;
using namespace ostrel2::testing;
namespace po = platform::ousbdrv;

TEST(ConnectionWithDaemon, PreviewResumesAfterReplugWithoutResendingParameters)
{
    platform::ui::testing::testApplication();
    po::testing::DaemonProcess daemon(OUSBDRVD_PATH);
    ASSERT_TRUE(daemon.start({"--device", "0"}, {0})) << daemon.error();
    ::setenv("OUSBDRV_ROOT", daemon.root().c_str(), 1);

    ModuleSettings settings;
    settings.parameters.brightness = 2;
    RecordingCamera camera(&ovcamAccess());
    RecordingWindow window;
    platform::ui::testing::RecordingMessageBoxes boxes;
    CameraConnection connection(settings, camera, window);

    connection.connect();
    ASSERT_EQ(connection.state(), CameraState::Ready);
    connection.previewFrame();
    ASSERT_EQ(window.drawnSizes.size(), 1u);
    const auto applied = camera.settings;
    ASSERT_EQ(applied.size(), 3u);

    ASSERT_EQ(daemon.runCommand({"--unplug", "0"}), 0);
    connection.previewFrame();
    EXPECT_EQ(connection.state(), CameraState::NotReady);
    ASSERT_EQ(window.texts.size(), 1u);
    EXPECT_EQ(window.texts[0], "Device not ready");
    EXPECT_TRUE(boxes.shown().empty());

    // Timer 1 ticks every 500 ms while not ready: after the replug the next
    // tick connects and the one after shows a frame.
    ASSERT_EQ(daemon.runCommand({"--plug", "0"}), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int ticks = 0;
    while (connection.state() != CameraState::Ready && std::chrono::steady_clock::now() < deadline) {
        ++ticks;
        connection.retry();
        if (connection.state() != CameraState::Ready)
            std::this_thread::sleep_for(std::chrono::milliseconds(window.timer));
    }
    ASSERT_EQ(connection.state(), CameraState::Ready);
    EXPECT_EQ(window.timer, kLiveTimerMs);
    connection.previewFrame();
    EXPECT_EQ(window.drawnSizes.size(), 2u);
    EXPECT_EQ(ticks, 1);  // the first tick after the replug, so within one 500 ms period
    EXPECT_EQ(camera.settings, applied);

    connection.disconnect();
    ::unsetenv("OUSBDRV_ROOT");
}
