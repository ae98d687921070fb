// The camera connection against a recording camera and window: what is
// asked of the camera, what the data source gets, and the failures.
#include "imaging/dib.h"
#include "module/camera_connection.h"
#include "module/tests/module_test_support.h"
#include "platform/ui/testing/recording_message_boxes.h"
#include "platform/ui/testing/test_application.h"

#include <gtest/gtest.h>

using namespace ostrel2;
using namespace ostrel2::testing;
using platform::ui::testing::RecordingMessageBoxes;

namespace {

class Connection : public ::testing::Test {
protected:
    void SetUp() override { platform::ui::testing::testApplication(); }

    ModuleSettings settings;
    RecordingCamera camera;
    RecordingWindow window;
    RecordingMessageBoxes boxes;
    CameraConnection connection{settings, camera, window};
};

} // namespace

TEST_F(Connection, ZoomAndQualityReachTheCameraAsCodes)
{
    settings.zoom = true;
    settings.captureSizeNumber = 3;
    connection.connect();
    connection.stepViewQuality();  // index 1
    connection.previewFrame();
    connection.takePicture();
    ASSERT_EQ(camera.images.size(), 2u);
    EXPECT_EQ(camera.images[0].code, 22);
    EXPECT_EQ(camera.images[0].width, 320);
    EXPECT_EQ(camera.images[1].code, 32);
    EXPECT_EQ(camera.images[1].width, 320);
    EXPECT_EQ(camera.images[1].height, 240);

    connection.toggleZoom();
    connection.stepViewQuality();
    settings.fullView = false;
    connection.previewFrame();
    EXPECT_EQ(camera.images.back().code, 11);
    EXPECT_EQ(window.drawnAt.back(), QRect(141, 95, 160, 120));
}

TEST_F(Connection, TransferBlocksHaveTheirSizesAndColourCounts)
{
    connection.connect();
    settings.colour = false;
    settings.captureSizeNumber = 4;
    connection.takePicture();
    imaging::Bitmap pending;
    int readyCalls = 0;
    connection.setReadyToScan([&] { ++readyCalls; });
    ASSERT_TRUE(connection.buildPendingImage(pending));
    EXPECT_EQ(readyCalls, 1);
    EXPECT_EQ(pending.width(), 352);
    EXPECT_EQ(pending.height(), 288);
    EXPECT_EQ(pending.bitsPerPixel(), 8);
    EXPECT_EQ(pending.line(0)[0], camera.fill);

    std::vector<std::uint8_t> pixels(640 * 480 * 3, 7);
    HGLOBAL gray = makeTransferDib(false, 352, 288, pixels.data());
    ASSERT_NE(gray, nullptr);
    EXPECT_EQ(GlobalSize(gray), 40u + 1024u + 101376u);
    const auto* g = static_cast<const std::uint8_t*>(GlobalLock(gray));
    const imaging::BitmapInfoHeader gh = imaging::readBitmapInfoHeader(g);
    EXPECT_EQ(gh.clrUsed, 256u);
    EXPECT_EQ(gh.clrImportant, 256u);
    EXPECT_EQ(gh.bitCount, 8);
    EXPECT_EQ(gh.height, 288);
    EXPECT_EQ(gh.xPelsPerMeter, 0);
    EXPECT_EQ(g[40 + 4 * 77], 77);
    EXPECT_EQ(g[40 + 1024], 7);
    GlobalUnlock(gray);
    GlobalFree(gray);

    HGLOBAL colour = makeTransferDib(true, 640, 480, pixels.data());
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(GlobalSize(colour), 40u + 921600u);
    const auto* c = static_cast<const std::uint8_t*>(GlobalLock(colour));
    EXPECT_EQ(imaging::readBitmapInfoHeader(c).clrUsed, 0u);
    EXPECT_EQ(imaging::readBitmapInfoHeader(c).bitCount, 24);
    GlobalUnlock(colour);
    GlobalFree(colour);

    EXPECT_EQ(makeTransferDib(true, 641, 480, pixels.data()), nullptr);
}

TEST_F(Connection, NothingToTransferBeforeAPicture)
{
    imaging::Bitmap pending;
    int readyCalls = 0;
    connection.setReadyToScan([&] { ++readyCalls; });
    EXPECT_FALSE(connection.buildPendingImage(pending));
    EXPECT_EQ(readyCalls, 0);
    EXPECT_FALSE(pending.allocated());
}

TEST_F(Connection, MissingCameraWarnsOnceThenRetriesQuietly)
{
    settings.language = 2;
    settings.parameters = {1, 2, 3, 4, 1};
    camera.present = false;
    connection.connect();
    EXPECT_EQ(connection.state(), CameraState::NotReady);
    EXPECT_EQ(window.timer, kIdleTimerMs);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Le périphérique n'est pas prêt");
    EXPECT_EQ(boxes.shown()[0].caption, "Orvane RZ-410");
    EXPECT_EQ(boxes.shown()[0].style, platform::ui::kMbIconWarning | platform::ui::kMbTaskModal |
                                          platform::ui::kMbSetForeground);
    connection.retry();
    EXPECT_TRUE(camera.settings.empty());
    EXPECT_EQ(boxes.shown().size(), 1u);

    camera.present = true;
    connection.retry();
    EXPECT_EQ(connection.state(), CameraState::Ready);
    EXPECT_EQ(window.timer, kLiveTimerMs);
    const std::vector<SettingCall> applied = {{103, 3, 4}, {101, 1, 2}, {105, '3', 0}};
    EXPECT_EQ(camera.settings, applied);

    // Lost during the preview: text instead of a box, Fini, slow retries;
    // back again without the parameters being sent a second time.
    camera.present = false;
    connection.previewFrame();
    EXPECT_EQ(connection.state(), CameraState::NotReady);
    EXPECT_EQ(camera.finis, 1);
    ASSERT_EQ(window.texts.size(), 1u);
    EXPECT_EQ(window.texts[0], "Le périphérique n'est pas prêt");
    EXPECT_EQ(window.textColour, QColor(0, 255, 0));
    EXPECT_EQ(window.timer, kIdleTimerMs);
    camera.present = true;
    connection.retry();
    connection.previewFrame();
    EXPECT_EQ(connection.state(), CameraState::Ready);
    EXPECT_EQ(camera.settings, applied);
    EXPECT_EQ(boxes.shown().size(), 1u);
}

TEST_F(Connection, ParameterChangesSendTheirPairAndResetClearsAll)
{
    connection.connect();
    camera.settings.clear();
    connection.setHue(5);
    connection.setContrast(-3);
    connection.setBrightness(2);
    connection.setSaturation(-1);
    connection.stepShutter();
    connection.stepShutter();
    connection.stepShutter();
    const std::vector<SettingCall> changes = {{103, 5, 0}, {101, 0, -3}, {101, 2, -3}, {103, 5, -1},
                                              {105, '3', 0}, {105, '4', 0}, {105, '2', 0}};
    EXPECT_EQ(camera.settings, changes);

    settings.zoom = true;
    connection.stepViewQuality();
    camera.settings.clear();
    connection.reset();
    const std::vector<SettingCall> reset = {{105, '2', 0}, {103, 0, 0}, {101, 0, 0}};
    EXPECT_EQ(camera.settings, reset);
    EXPECT_EQ(settings.viewQualityCode(), 32);
    EXPECT_EQ(window.sliderCentrings, 1);
}
