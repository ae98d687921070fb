// The device channel against the in-process cameras on a fake clock.
#include "camera/capture/device_channel.h"
#include "camera/capture/picture_convert.h"
#include "camera/capture/picture_tables.h"
#include "camera/capture/tests/device_test_support.h"
#include "platform/clock/clock.h"
#include "platform/ousbdrv/in_process.h"
#include "platform/ousbdrv/protocol.h"
#include "platform/ousbdrv/scene.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace po = platform::ousbdrv;
using namespace lumoset;
using namespace lumoset::testing;
using platform::clock::Milliseconds;

namespace {

std::vector<std::uint8_t> packet(std::initializer_list<std::uint8_t> head)
{
    std::vector<std::uint8_t> p(8, 0);
    std::copy(head.begin(), head.end(), p.begin());
    return p;
}

// Writes to PIPE01 as the camera saw them, and reads of PIPE00 (requested, delivered).
std::vector<std::vector<std::uint8_t>> commandsIn(const std::vector<po::LogEntry>& log)
{
    std::vector<std::vector<std::uint8_t>> out;
    for (const po::LogEntry& e : log)
        if (e.event == po::LogEvent::Write && e.node == 1)
            out.push_back(e.data);
    return out;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> frameReadsIn(const std::vector<po::LogEntry>& log)
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
    for (const po::LogEntry& e : log)
        if (e.event == po::LogEvent::Read && e.node == 0)
            out.emplace_back(e.requested, e.delivered);
    return out;
}

class DeviceChannelTest : public ::testing::Test {
protected:
    explicit DeviceChannelTest(po::CameraOptions options = {}, const po::SceneSource* scene = nullptr)
        : cameras(clock, options, scene), hooked(cameras), channel(hooked, clock, reporter, host)
    {
        buffers.attach(channel);
    }

    // Camera 0 plugged and started; log and sleeps cleared.
    void startCamera0()
    {
        ASSERT_TRUE(cameras.plug(0));
        ASSERT_TRUE(channel.startCamera());
        cameras.log().clear();
        clock.clearSleeps();
        host.calls.clear();
    }

    platform::clock::FakeClock clock;
    po::InProcessCameras cameras;
    HookedTransport hooked;
    RecordingReporter reporter;
    RecordingHost host;
    FrameBuffers buffers;
    DeviceChannel channel;
};

} // namespace

TEST(CameraDeviceName, UsesTheThreeFormsOfTheDriverNames)
{
    EXPECT_EQ(cameraDeviceName(0), R"(\\.\ousbdrv000)");
    EXPECT_EQ(cameraDeviceName(9), R"(\\.\ousbdrv009)");
    EXPECT_EQ(cameraDeviceName(10), R"(\\.\ousbdrv010)");
    EXPECT_EQ(cameraDeviceName(31), R"(\\.\ousbdrv031)");
    EXPECT_EQ(cameraDeviceName(32), R"(\\.\ousbdrv32)");
}

TEST_F(DeviceChannelTest, FindDeviceTakesTheLowestNumberAndClosesItAgain)
{
    cameras.plug(3);
    cameras.plug(0);
    EXPECT_TRUE(channel.findDevice());
    EXPECT_EQ(channel.deviceName(), R"(\\.\ousbdrv000)");
    EXPECT_FALSE(channel.deviceMissing());
    ASSERT_EQ(hooked.opened.size(), 1u);
    const auto log = cameras.log().entries();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 1].event, po::LogEvent::Close);  // the control device, at once
    EXPECT_TRUE(reporter.codes.empty());
}

TEST_F(DeviceChannelTest, FindDeviceSearchesUpToTheOneThatAnswers)
{
    cameras.plug(12);
    EXPECT_TRUE(channel.findDevice());
    EXPECT_EQ(channel.deviceName(), R"(\\.\ousbdrv012)");
    ASSERT_EQ(hooked.opened.size(), 13u);
    EXPECT_EQ(hooked.opened.back(), R"(\\.\ousbdrv012)");
}

TEST_F(DeviceChannelTest, NoCameraReportsMinusTwoOnceAndMarksTheDeviceMissing)
{
    EXPECT_FALSE(channel.startCamera());
    EXPECT_EQ(hooked.opened.size(), 32u);
    EXPECT_EQ(reporter.codes, std::vector<int>{kCameraErrorDevice});
    EXPECT_TRUE(channel.deviceMissing());
    EXPECT_FALSE(channel.isOpen());
    EXPECT_EQ(host.calls, std::vector<std::string>{"repaint"});  // no timer for a missing camera
}

TEST_F(DeviceChannelTest, StartSequenceSendsItsPacketsInOrder)
{
    ASSERT_TRUE(cameras.plug(0));
    ASSERT_TRUE(channel.startCamera());
    EXPECT_TRUE(reporter.codes.empty());
    EXPECT_TRUE(channel.isOpen());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"repaint", "frames 0", "pending flags", "start timer"}));
    EXPECT_EQ(clock.sleeps(), std::vector<Milliseconds>{Milliseconds(100)});

    const auto log = cameras.log().entries();
    const auto commands = commandsIn(log);
    std::vector<std::vector<std::uint8_t>> expected{packet({0x84}), packet({0x88}), packet({0x94}), packet({0xA4})};
    for (const RegisterSetting& r : kStartRegisters) {
        expected.push_back(packet({0xE4, static_cast<std::uint8_t>(0xFF - r.reg)}));
        expected.push_back(packet({0xE4, static_cast<std::uint8_t>(0x7F - r.value)}));
    }
    EXPECT_EQ(commands, expected);
    // 64 bytes of the transfer were read; the end command dropped the rest.
    EXPECT_EQ(frameReadsIn(log), (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{64, 64}}));
    cameras.withCamera(0, [](po::VirtualCamera& c) {
        EXPECT_TRUE(c.started());
        EXPECT_EQ(c.pendingFrameBytes(), 0u);
        for (const RegisterSetting& r : kStartRegisters)
            EXPECT_EQ(c.registerValue(r.reg), r.value) << "register " << r.reg;
    });
}

TEST_F(DeviceChannelTest, RegisterWriteSendsTwoComplementedPackets)
{
    startCamera0();
    EXPECT_TRUE(channel.writeRegister(58, 1));
    EXPECT_TRUE(channel.writeRegister(58, 5));
    const auto commands = commandsIn(cameras.log().entries());
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[2], packet({0xE4, 0xC5}));
    EXPECT_EQ(commands[3], packet({0xE4, 0x7A}));
    cameras.withCamera(0, [](po::VirtualCamera& c) { EXPECT_EQ(c.registerValue(58), 5); });
}

TEST_F(DeviceChannelTest, FailedFirstRegisterPacketKeepsTheSecondBack)
{
    startCamera0();
    int writes = 0;
    hooked.beforeIo = [&](const std::string&, bool isRead, std::size_t) { return isRead || ++writes != 1; };
    EXPECT_TRUE(channel.writeRegister(58, 1));  // the result is success all the same
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(reporter.codes, std::vector<int>{kCameraErrorRegisterWrite});
    EXPECT_TRUE(commandsIn(cameras.log().entries()).empty());

    reporter.codes.clear();
    writes = 0;
    hooked.beforeIo = [&](const std::string&, bool isRead, std::size_t) { return isRead || ++writes != 2; };
    channel.writeRegister(58, 1);
    EXPECT_EQ(reporter.codes, std::vector<int>{kCameraErrorRegisterWrite});
}

TEST_F(DeviceChannelTest, FailedCommandWriteReportsMinusSix)
{
    startCamera0();
    hooked.beforeIo = [](const std::string&, bool isRead, std::size_t) { return isRead; };
    EXPECT_FALSE(channel.sendCommand(kCmdFormat160x120));
    EXPECT_FALSE(channel.sendCommand(kCommandCount));  // no such command
    EXPECT_EQ(reporter.codes, (std::vector<int>{kCameraErrorCommandWrite, kCameraErrorCommandWrite}));
}

TEST_F(DeviceChannelTest, StartStopsAtTheFirstReportedFailure)
{
    ASSERT_TRUE(cameras.plug(0));
    int writes = 0;
    hooked.beforeIo = [&](const std::string&, bool isRead, std::size_t) { return isRead || ++writes != 2; };
    // The main window closes the camera when told of a failure.
    reporter.onReport = [&](int) { channel.closeCamera(); };
    EXPECT_FALSE(channel.startCamera());
    EXPECT_EQ(reporter.codes, std::vector<int>{kCameraErrorCommandWrite});
    EXPECT_EQ(writes, 2);
    EXPECT_FALSE(channel.isOpen());
    // The preview timer is not started behind the error state's back.
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "start timer"), 0);
    EXPECT_EQ(host.framesShown, -1);
}

TEST_F(DeviceChannelTest, CloseCameraStopsTheTimerAndResetsTheFrameCounter)
{
    startCamera0();
    channel.closeCamera();
    EXPECT_FALSE(channel.isOpen());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"stop timer", "frames -1"}));
    // While closed the search is still a presence test.
    EXPECT_TRUE(channel.findDevice());
    EXPECT_EQ(channel.pollStatus(), kPollFailed);
}

class DeviceChannelReadyByte16 : public DeviceChannelTest {
protected:
    DeviceChannelReadyByte16() : DeviceChannelTest(options()) {}
    static po::CameraOptions options()
    {
        po::CameraOptions o;
        o.readyByte = 16;
        return o;
    }
};

TEST_F(DeviceChannelReadyByte16, ReadyReportInTheThirdReportCounts)
{
    startCamera0();
    clock.advance(Milliseconds(1000));
    EXPECT_EQ(channel.pollStatus(), kPollFrameReady);
    const auto log = cameras.log().entries();
    const po::LogEntry& answer = log.back();
    ASSERT_EQ(answer.data.size(), 24u);
    EXPECT_NE(answer.data[0], 0x10);
    EXPECT_NE(answer.data[8], 0x10);
    EXPECT_EQ(answer.data[16], 0x10);
    EXPECT_TRUE(clock.sleeps().empty());
}

TEST_F(DeviceChannelTest, PollWaitsTwentyMillisecondsBetweenAttemptsUntilTheFrameIsReady)
{
    startCamera0();  // 0x94 at start began an exposure of 30 + 15 x 5 ms
    EXPECT_EQ(channel.pollStatus(), kPollFrameReady);
    EXPECT_EQ(clock.sleeps(), std::vector<Milliseconds>(6, Milliseconds(20)));
    EXPECT_TRUE(reporter.codes.empty());
}

class DeviceChannelSlowCamera : public DeviceChannelTest {
protected:
    DeviceChannelSlowCamera() : DeviceChannelTest(options()) {}
    static po::CameraOptions options()
    {
        po::CameraOptions o;
        o.baseFrameInterval = Milliseconds(60000);
        return o;
    }
};

TEST_F(DeviceChannelSlowCamera, TenNotReadyAnswersGiveMinusOneAfter200Milliseconds)
{
    startCamera0();
    EXPECT_EQ(channel.pollStatus(), kPollNoFrame);
    EXPECT_EQ(clock.totalSlept(), Milliseconds(200));
    EXPECT_EQ(clock.sleeps().size(), 10u);
    EXPECT_TRUE(reporter.codes.empty());
    // Each attempt: one query, then the answer read twice.
    const auto log = cameras.log().entries();
    EXPECT_EQ(commandsIn(log).size(), 10u);
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const po::LogEntry& e) { return e.event == po::LogEvent::Read && e.node == 2; }),
              20);
}

TEST_F(DeviceChannelTest, CameraThatWasNeverStartedRefusesAndIsReported)
{
    ASSERT_TRUE(cameras.plug(0));
    ASSERT_TRUE(channel.findDevice());
    ASSERT_TRUE(channel.openPipes());
    EXPECT_EQ(channel.pollStatus(), kPollRefused);
    EXPECT_EQ(reporter.codes, std::vector<int>{kCameraErrorDevice});
}

TEST_F(DeviceChannelTest, UnpluggedCameraFailsThePollAndIsReported)
{
    startCamera0();
    cameras.unplug(0);
    EXPECT_EQ(channel.pollStatus(), kPollFailed);
    EXPECT_EQ(reporter.codes, std::vector<int>{kCameraErrorDevice});
}

namespace {

// A still scene of four coloured quadrants, colours the camera program can show.
const po::Rgb kQuadrants[4] = {{180, 90, 60}, {60, 160, 90}, {70, 90, 170}, {200, 200, 200}};

po::Picture quadrantPicture()
{
    po::Picture p;
    p.resize(640, 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            p.set(x, y, kQuadrants[(y >= 240 ? 2 : 0) + (x >= 320 ? 1 : 0)]);
    return p;
}

} // namespace

class DeviceChannelStill : public DeviceChannelTest {
protected:
    DeviceChannelStill() : DeviceChannelTest({}, &scene) { channel.setPictureTables(&tables); }
    static inline const po::StillImage scene{quadrantPicture()};
    PictureTables tables;  // neutral settings
};

TEST_F(DeviceChannelStill, ColourFrameMovesHeaderAndPlaneTwiceAndConvertsBackToThePicture)
{
    startCamera0();
    ASSERT_TRUE(channel.sendCommand(kCmdFormat160x120));
    ASSERT_EQ(channel.readFrame(160, 120), kFrameRead);
    EXPECT_FALSE(channel.frameReadInProgress());
    EXPECT_TRUE(reporter.codes.empty());

    const auto log = cameras.log().entries();
    EXPECT_EQ(frameReadsIn(log), (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                                     {128, 128}, {19200, 19200}, {128, 128}, {19200, 19200}}));
    EXPECT_EQ(commandsIn(log), (std::vector<std::vector<std::uint8_t>>{packet({0xC0}), packet({0x94}),
                                                                       packet({0x98}), packet({0xA4})}));
    // Output: bottom-up rows of blue, green, red.
    auto pixel = [&](int x, int yFromTop) {
        const std::uint8_t* p = buffers.output.data() + (static_cast<std::size_t>(119 - yFromTop) * 160 + x) * 3;
        return po::Rgb{p[2], p[1], p[0]};
    };
    const int probes[4][2] = {{40, 30}, {120, 30}, {40, 90}, {120, 90}};
    for (int q = 0; q < 4; ++q) {
        const po::Rgb got = pixel(probes[q][0], probes[q][1]);
        EXPECT_NEAR(got.r, kQuadrants[q].r, 4) << "quadrant " << q;
        EXPECT_NEAR(got.g, kQuadrants[q].g, 4) << "quadrant " << q;
        EXPECT_NEAR(got.b, kQuadrants[q].b, 4) << "quadrant " << q;
    }
}

TEST_F(DeviceChannelStill, GreyFrameReadsOnlyTheLuminancePlane)
{
    startCamera0();
    host.colour = false;
    ASSERT_TRUE(channel.sendCommand(kCmdFormat80x60));
    ASSERT_EQ(channel.readFrame(80, 60), kFrameRead);
    const auto log = cameras.log().entries();
    EXPECT_EQ(frameReadsIn(log), (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{128, 128}, {4800, 4800}}));
    EXPECT_EQ(commandsIn(log).back(), packet({0xA4}));
    // 8-bit rows, bottom-up: output row 0 is the bottom row of the picture, whose
    // right half is the light grey quadrant.
    const int grey = buffers.output[79];
    EXPECT_NEAR(grey, 200, 3);
}

TEST_F(DeviceChannelTest, LargestFrameIsReadInChunksOf40960Bytes)
{
    startCamera0();
    host.colour = false;
    ASSERT_TRUE(channel.sendCommand(kCmdFormat496x240));
    ASSERT_EQ(channel.readFrame(496, 240), kFrameRead);
    EXPECT_EQ(frameReadsIn(cameras.log().entries()),
              (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                  {128, 128}, {40960, 40960}, {40960, 40960}, {37120, 37120}}));
}

TEST_F(DeviceChannelTest, TransferInProgressAnswersBusyWithoutTouchingTheCamera)
{
    startCamera0();
    ASSERT_TRUE(channel.sendCommand(kCmdFormat160x120));
    int nested = 0;
    std::size_t logBefore = 0;
    hooked.beforeIo = [&](const std::string& name, bool isRead, std::size_t size) {
        if (isRead && size == 19200 && nested == 0 && endsWith(name, "PIPE00")) {
            EXPECT_TRUE(channel.frameReadInProgress());
            logBefore = cameras.log().entries().size();
            nested = channel.readFrame(160, 120);
            EXPECT_EQ(cameras.log().entries().size(), logBefore);
        }
        return true;
    };
    EXPECT_EQ(channel.readFrame(160, 120), kFrameRead);
    EXPECT_EQ(nested, kFrameBusy);
    EXPECT_FALSE(channel.frameReadInProgress());
}

TEST_F(DeviceChannelTest, UnplugDuringTransferIsReportedOnceAndEndsTheTransfer)
{
    startCamera0();
    ASSERT_TRUE(channel.sendCommand(kCmdFormat320x240));
    hooked.beforeIo = [&](const std::string& name, bool isRead, std::size_t size) {
        if (isRead && size == 40960 && endsWith(name, "PIPE00"))
            cameras.unplug(0);
        return true;
    };
    // The main window closes the camera inside the report.
    reporter.onReport = [&](int) { channel.closeCamera(); };
    EXPECT_EQ(channel.readFrame(320, 240), kFrameFailed);
    EXPECT_EQ(reporter.codes, std::vector<int>{kCameraErrorDevice});
    EXPECT_FALSE(channel.frameReadInProgress());
    EXPECT_FALSE(channel.isOpen());
    hooked.beforeIo = nullptr;
    EXPECT_EQ(channel.readFrame(320, 240), kFrameFailed);  // not busy: the mark was cleared
}

TEST_F(DeviceChannelTest, FrameShorterThanAskedIsDroppedNotPassedOffAsRead)
{
    startCamera0();
    ASSERT_TRUE(channel.sendCommand(kCmdFormat160x120));
    std::fill(buffers.planeA.begin(), buffers.planeA.end(), 0xEE);
    EXPECT_EQ(channel.readFrame(320, 240), kFrameFailed);
    // Not a device failure: the status poll decides whether the camera works.
    EXPECT_TRUE(reporter.codes.empty());
    // The transfer was ended: nothing of it is left for the next frame.
    EXPECT_EQ(commandsIn(cameras.log().entries()).back(), packet({0xA4}));
    cameras.withCamera(0, [](po::VirtualCamera& c) { EXPECT_EQ(c.pendingFrameBytes(), 0u); });
}

TEST_F(DeviceChannelTest, FrameLargerThanTheBuffersIsRefusedUnread)
{
    startCamera0();
    EXPECT_EQ(channel.readFrame(640, 480), kFrameFailed);
    EXPECT_EQ(channel.readFrame(0, 120), kFrameFailed);
    EXPECT_EQ(channel.readFrame(-160, -120), kFrameFailed);
    EXPECT_TRUE(commandsIn(cameras.log().entries()).empty());
    EXPECT_TRUE(reporter.codes.empty());
}
