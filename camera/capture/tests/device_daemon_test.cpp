// The device channel against the real ousbdrvd daemon.
#include "camera/capture/device_channel.h"
#include "camera/capture/tests/device_test_support.h"
#include "platform/clock/clock.h"
#include "platform/ousbdrv/packet_log.h"
#include "platform/ousbdrv/socket_transport.h"
#include "platform/ousbdrv/testing/daemon_process.h"

#include <gtest/gtest.h>

#include <chrono>

namespace po = platform::ousbdrv;
using namespace lumoset;
using namespace lumoset::testing;
using std::chrono::steady_clock;

namespace {

class DeviceDaemonTest : public ::testing::Test {
protected:
    DeviceDaemonTest() : daemon(OUSBDRVD_PATH), transport(daemon.root()), hooked(transport) {}

    void startDaemon(std::vector<std::string> args, const std::vector<int>& devices)
    {
        logFile = daemon.root().string() + ".log";
        args.insert(args.end(), {"--log", logFile});
        for (const int d : devices)
            args.insert(args.end(), {"--device", std::to_string(d)});
        ASSERT_TRUE(daemon.start(args, devices)) << daemon.error();
    }

    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove(logFile, ec);
    }

    std::vector<po::LogEntry> log() const { return po::readLogFile(logFile); }

    po::testing::DaemonProcess daemon;
    std::string logFile;
    po::SocketTransport transport;
    HookedTransport hooked;
    RecordingReporter reporter;
    RecordingHost host;
    FrameBuffers buffers;
};

std::vector<std::uint32_t> deliveredFramePipeReads(const std::vector<po::LogEntry>& log)
{
    std::vector<std::uint32_t> out;
    for (const po::LogEntry& e : log)
        if (e.event == po::LogEvent::Read && e.node == 0)
            out.push_back(e.delivered);
    return out;
}

} // namespace

TEST_F(DeviceDaemonTest, SearchTakesDeviceZeroOfZeroAndThree)
{
    startDaemon({}, {0, 3});
    platform::clock::FakeClock clock;
    DeviceChannel channel(hooked, clock, reporter, host);
    ASSERT_TRUE(channel.findDevice());
    EXPECT_EQ(channel.deviceName(), R"(\\.\ousbdrv000)");
    EXPECT_EQ(hooked.opened.size(), 1u);
}

TEST_F(DeviceDaemonTest, SearchFindsTheOnlyDeviceTwelve)
{
    startDaemon({}, {12});
    platform::clock::FakeClock clock;
    DeviceChannel channel(hooked, clock, reporter, host);
    ASSERT_TRUE(channel.findDevice());
    EXPECT_EQ(channel.deviceName(), R"(\\.\ousbdrv012)");
    const auto entries = log();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back().device, 12);
    EXPECT_EQ(entries.back().node, po::kLogNodeDevice);
}

TEST_F(DeviceDaemonTest, StartSequenceWritesSpeedRegisterAsComplementedPackets)
{
    startDaemon({}, {0});
    platform::clock::FakeClock clock;
    DeviceChannel channel(hooked, clock, reporter, host);
    ASSERT_TRUE(channel.startCamera());
    EXPECT_TRUE(reporter.codes.empty());
    std::vector<std::vector<std::uint8_t>> writes;
    for (const po::LogEntry& e : log())
        if (e.event == po::LogEvent::Write)
            writes.push_back(e.data);
    // Register 58 is the seventh of the start registers, after 84, 88, 94, A4.
    ASSERT_EQ(writes.size(), 4u + 2 * kStartRegisters.size());
    EXPECT_EQ(writes[4 + 2 * 6], (std::vector<std::uint8_t>{0xE4, 0xC5, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(writes[4 + 2 * 6 + 1], (std::vector<std::uint8_t>{0xE4, 0x7A, 0, 0, 0, 0, 0, 0}));
    std::string status;
    EXPECT_EQ(daemon.runCommand({"--status"}, &status), 0);
    EXPECT_NE(status.find("58=5"), std::string::npos) << status;
}

TEST_F(DeviceDaemonTest, ReadyReportInByteSixteenCounts)
{
    startDaemon({"--ready-byte", "16", "--frame-interval", "1", "--exposure-step", "0"}, {0});
    DeviceChannel channel(hooked, platform::clock::systemClock(), reporter, host);
    ASSERT_TRUE(channel.startCamera());
    EXPECT_EQ(channel.pollStatus(), kPollFrameReady);
    const auto entries = log();
    ASSERT_FALSE(entries.empty());
    const po::LogEntry& answer = entries.back();
    ASSERT_EQ(answer.node, 2);
    ASSERT_EQ(answer.data.size(), 24u);
    EXPECT_NE(answer.data[0], 0x10);
    EXPECT_NE(answer.data[8], 0x10);
    EXPECT_EQ(answer.data[16], 0x10);
}

TEST_F(DeviceDaemonTest, TenNotReadyAnswersGiveMinusOneAfter200VirtualMilliseconds)
{
    startDaemon({"--frame-interval", "600000"}, {0});
    platform::clock::FakeClock clock;
    DeviceChannel channel(hooked, clock, reporter, host);
    ASSERT_TRUE(channel.startCamera());
    clock.clearSleeps();
    EXPECT_EQ(channel.pollStatus(), kPollNoFrame);
    EXPECT_EQ(clock.totalSlept(), platform::clock::Milliseconds(200));
    EXPECT_TRUE(reporter.codes.empty());
}

TEST_F(DeviceDaemonTest, ColourFrameOf160x120MovesTwoHeadersAndTwoPlanes)
{
    startDaemon({}, {0});
    platform::clock::FakeClock clock;
    DeviceChannel channel(hooked, clock, reporter, host);
    buffers.attach(channel);
    ASSERT_TRUE(channel.startCamera());
    ASSERT_TRUE(channel.sendCommand(kCmdFormat160x120));
    ASSERT_EQ(channel.readFrame(160, 120), kFrameRead);
    EXPECT_TRUE(reporter.codes.empty());
    // 64 bytes at start, then the frame.
    EXPECT_EQ(deliveredFramePipeReads(log()), (std::vector<std::uint32_t>{64, 128, 19200, 128, 19200}));
    // The camera really sent a picture (the test scene is not flat).
    const auto [lo, hi] = std::minmax_element(buffers.planeA.begin(), buffers.planeA.begin() + 19200);
    EXPECT_GT(*hi - *lo, 100);
}

TEST_F(DeviceDaemonTest, UnplugDuringATransferIsReportedWithinASecond)
{
    startDaemon({}, {0});
    platform::clock::FakeClock clock;
    DeviceChannel channel(hooked, clock, reporter, host);
    buffers.attach(channel);
    ASSERT_TRUE(channel.startCamera());
    ASSERT_TRUE(channel.sendCommand(kCmdFormat320x240));

    steady_clock::time_point unplugged;
    steady_clock::time_point reported;
    int unplugStatus = -1;
    hooked.beforeIo = [&](const std::string& name, bool isRead, std::size_t size) {
        if (isRead && size == kPlaneReadChunk && endsWith(name, "PIPE00") && unplugStatus < 0) {
            unplugStatus = daemon.runCommand({"--unplug", "0"});
            unplugged = steady_clock::now();
        }
        return true;
    };
    reporter.onReport = [&](int) {
        reported = steady_clock::now();
        channel.closeCamera();
    };
    EXPECT_EQ(channel.readFrame(320, 240), kFrameFailed);
    ASSERT_EQ(unplugStatus, 0);
    ASSERT_EQ(reporter.codes, std::vector<int>{kCameraErrorDevice});
    EXPECT_LT(reported - unplugged, std::chrono::seconds(1));
    EXPECT_FALSE(channel.frameReadInProgress());
    EXPECT_FALSE(std::filesystem::exists(daemon.root() / "ousbdrv000"));

    // Recovery: the search fails while it is away and succeeds once it is back.
    hooked.beforeIo = nullptr;
    reporter.onReport = nullptr;
    EXPECT_FALSE(channel.findDevice());
    ASSERT_EQ(daemon.runCommand({"--plug", "0"}), 0);
    EXPECT_TRUE(channel.startCamera());
    EXPECT_TRUE(channel.sendCommand(kCmdFormat160x120));
    EXPECT_EQ(channel.readFrame(160, 120), kFrameRead);
}

TEST_F(DeviceDaemonTest, DaemonKilledDuringATransferIsReportedWithinASecond)
{
    startDaemon({}, {0});
    platform::clock::FakeClock clock;
    DeviceChannel channel(hooked, clock, reporter, host);
    buffers.attach(channel);
    ASSERT_TRUE(channel.startCamera());
    ASSERT_TRUE(channel.sendCommand(kCmdFormat352x288));

    steady_clock::time_point killed;
    steady_clock::time_point reported;
    hooked.beforeIo = [&](const std::string& name, bool isRead, std::size_t size) {
        if (isRead && size == kPlaneReadChunk && endsWith(name, "PIPE00") && daemon.running()) {
            daemon.kill();
            killed = steady_clock::now();
        }
        return true;
    };
    reporter.onReport = [&](int) { reported = steady_clock::now(); };
    EXPECT_EQ(channel.readFrame(352, 288), kFrameFailed);
    ASSERT_EQ(reporter.codes, std::vector<int>{kCameraErrorDevice});
    EXPECT_LT(reported - killed, std::chrono::seconds(1));

    // The nodes it left behind do not open: the presence test fails at once.
    hooked.beforeIo = nullptr;
    const auto before = steady_clock::now();
    EXPECT_FALSE(channel.findDevice());
    EXPECT_LT(steady_clock::now() - before, std::chrono::seconds(1));
    EXPECT_EQ(channel.pollStatus(), kPollFailed);
}
