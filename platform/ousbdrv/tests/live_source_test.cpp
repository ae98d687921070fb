// Real pictures behind the virtual camera, seen the way the camera program
// sees them (its device channel, conversion and photo capture): a still
// looped by ffmpeg, ffmpeg's generated moving picture, and sources that die,
// end or never open.
#include "camera/capture/photo_capture.h"
#include "camera/capture/picture_tables.h"
#include "camera/capture/tests/photo_test_support.h"
#include "imaging/bitmap.h"
#include "imaging/save.h"
#include "imaging/testing/known_picture.h"
#include "platform/clock/clock.h"
#include "platform/ousbdrv/socket_transport.h"
#include "platform/ousbdrv/testing/daemon_process.h"
#include "platform/print/recording_printer.h"
#include "platform/shell/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <optional>
#include <set>
#include <string_view>
#include <thread>

namespace fs = std::filesystem;
namespace po = platform::ousbdrv;
using namespace lumoset;
using namespace lumoset::testing;
using std::chrono::steady_clock;

namespace {

using imaging::testing::comparePixels;
using imaging::testing::greyOf;
using imaging::testing::writeKnownPicture;
using Difference = imaging::testing::PictureDifference;

std::optional<std::string> runForOutput(const std::vector<std::string>& args)
{
    auto result = platform::shell::runProgram(args);
    if (result.exitCode != 0)
        return std::nullopt;
    return std::move(result.output);
}

std::optional<std::string> rgbPixels(const fs::path& file, int width = 0, int height = 0)
{
    std::vector<std::string> args = {"convert", file.string()};
    if (width > 0)
        args.insert(args.end(), {"-resize", std::to_string(width) + "x" + std::to_string(height) + "!"});
    args.insert(args.end(), {"-depth", "8", "rgb:-"});
    return runForOutput(args);
}

double meanOf(const std::string& bytes)
{
    double sum = 0;
    for (const char c : bytes)
        sum += static_cast<unsigned char>(c);
    return bytes.empty() ? 0 : sum / static_cast<double>(bytes.size());
}

template <typename Condition>
bool waitFor(std::chrono::milliseconds limit, Condition condition)
{
    const auto deadline = steady_clock::now() + limit;
    while (!condition()) {
        if (steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class LiveSourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "live-source.XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        fs::create_directories(folder / "PIC");
        fs::create_directories(folder / "AVI");
        window.folder = folder.string();
    }

    void TearDown() override
    {
        capture.reset();
        channel.reset();
        transport.reset();
        daemon.reset();
        fs::remove_all(folder);
    }

    void startDaemon(const std::vector<std::string>& args)
    {
        daemon = std::make_unique<po::testing::DaemonProcess>(OUSBDRVD_PATH);
        ASSERT_TRUE(daemon->start(args, {0})) << daemon->error();
        transport = std::make_unique<po::SocketTransport>(daemon->root());
        channel = std::make_unique<DeviceChannel>(*transport, platform::clock::systemClock(), window, window);
        channel->setFrameBuffers(planeA, planeB, output);
        channel->setPictureTables(&tables);
        capture = std::make_unique<PhotoCapture>(*channel, platform::clock::systemClock(), printers, window,
                                                 albums, albums, still);
        capture->setFrameBuffers(planeA, output);
        capture->setPictureTables(&tables);
        ASSERT_TRUE(channel->startCamera());
    }

    // The ffmpeg child the daemon reads from, as its status tells.
    pid_t sourcePid() const
    {
        std::string status;
        if (daemon->runCommand({"--status"}, &status) != 0)
            return -1;
        const std::size_t at = status.find("source live pid ");
        return at == std::string::npos ? -1 : std::atoi(status.c_str() + at + 16);
    }

    bool deviceNodeExists() const { return fs::exists(daemon->root() / "ousbdrv000"); }

    // Reads frames as the preview does until the camera fails; true when
    // that happens within `limit` and is reported as a missing device.
    bool framesStopWithin(std::chrono::milliseconds limit)
    {
        const std::size_t before = window.errors.size();
        const bool failed = waitFor(limit, [&] {
            if (channel->pollStatus() == kPollFrameReady)
                channel->readFrame(160, 120);
            return window.errors.size() > before;
        });
        channel->closeCamera();
        return failed && window.errors.back() == kCameraErrorDevice;
    }

    // The device is back: found, started and delivering frames again.
    void expectDeviceReturnsWithin(std::chrono::milliseconds limit)
    {
        ASSERT_TRUE(waitFor(limit, [&] { return deviceNodeExists(); }));
        ASSERT_TRUE(channel->startCamera());
        ASSERT_TRUE(channel->sendCommand(kCmdFormat160x120));
        EXPECT_TRUE(waitFor(std::chrono::seconds(2), [&] {
            return channel->pollStatus() == kPollFrameReady && channel->readFrame(160, 120) == kFrameRead;
        }));
    }

    fs::path folder;
    FakeMainWindow window;
    RecordingAlbum albums;
    platform::print::RecordingPrinterService printers{true, 300, 300};
    imaging::Bitmap still;
    PictureTables tables;
    std::vector<std::uint8_t> planeA = std::vector<std::uint8_t>(kPlaneBufferBytes);
    std::vector<std::uint8_t> planeB = std::vector<std::uint8_t>(kPlaneBufferBytes);
    std::vector<std::uint8_t> output = std::vector<std::uint8_t>(kOutputBufferBytes);
    std::unique_ptr<po::testing::DaemonProcess> daemon;
    std::unique_ptr<po::SocketTransport> transport;
    std::unique_ptr<DeviceChannel> channel;
    std::unique_ptr<PhotoCapture> capture;
};

} // namespace

TEST_F(LiveSourceTest, LoopedStillPhotographedAtEveryPhotoSizeMatchesThePicture)
{
    const fs::path known = writeKnownPicture(folder);
    startDaemon({"--video", known.string()});
    int photo = 0;
    auto takeSingle = [&]() -> std::optional<std::string> {
        capture->takePhoto(PhotoKind::Single);
        if (window.state.photoCount != ++photo)
            return std::nullopt;
        return rgbPixels(folder / "PIC" / ("PIC" + std::to_string(photo) + ".bmp"));
    };
    for (const bool colour : {true, false}) {
        window.colour = colour;
        for (int index = 0; index < kPhotoSizeCount; ++index) {
            SCOPED_TRACE((colour ? "colour, size " : "grey, size ") + std::to_string(index));
            window.settings.photoSize = index;
            const auto& size = kPhotoSizeTable[static_cast<std::size_t>(index)];
            const auto got = takeSingle();
            const auto want = rgbPixels(known, size.width, size.height);
            ASSERT_TRUE(got && want);
            ASSERT_EQ(got->size(), want->size());
            const Difference d = colour ? comparePixels(*got, *want) : comparePixels(greyOf(*got), greyOf(*want));
            EXPECT_LT(d.mean, 4.0);
            EXPECT_LE(d.worst, 14);
        }
    }

    // The brightness slider moves the live picture as it moves the test scene.
    window.colour = true;
    buildPictureTables(tables, 6, 0, 0, 0);
    const auto brighter = takeSingle();
    buildPictureTables(tables, 0, 0, 0, 0);
    const auto neutral = takeSingle();
    ASSERT_TRUE(brighter && neutral);
    EXPECT_GT(meanOf(*brighter) - meanOf(*neutral), 25.0);
    EXPECT_TRUE(window.errors.empty());
}

TEST_F(LiveSourceTest, MovingSourceGivesNewFramesAtItsRate)
{
    constexpr int kRate = 10;
    startDaemon({"--source-format", "lavfi", "--source", "testsrc2=size=320x240:rate=" + std::to_string(kRate),
                 "--frame-interval", "1", "--exposure-step", "0"});
    // The camera serves far faster than the source moves, so every change of
    // the picture is one new source frame.
    ASSERT_TRUE(channel->sendCommand(kCmdFormat160x120));
    const std::size_t frameBytes = 160 * 120 * 3;
    std::vector<std::uint8_t> previous;
    std::set<std::vector<std::uint8_t>> distinct;
    int changes = 0;
    int served = 0;
    const auto begin = steady_clock::now();
    const auto span = std::chrono::milliseconds(1500);
    while (steady_clock::now() - begin < span) {
        if (channel->pollStatus() != kPollFrameReady || channel->readFrame(160, 120) != kFrameRead)
            continue;
        ++served;
        std::vector<std::uint8_t> frame(output.begin(), output.begin() + frameBytes);
        if (!previous.empty() && frame != previous)
            ++changes;
        distinct.insert(frame);
        previous = std::move(frame);
    }
    const double expected = kRate * std::chrono::duration<double>(span).count();
    EXPECT_GT(served, changes * 2) << "the camera should serve faster than the source changes";
    EXPECT_GE(changes, expected * 0.6);
    EXPECT_LE(changes, expected * 1.3);
    EXPECT_EQ(static_cast<int>(distinct.size()), changes + 1) << "a new frame is never an old one again";
    EXPECT_TRUE(window.errors.empty());
}

TEST_F(LiveSourceTest, KilledFfmpegUnplugsTheCameraUntilTheSourceIsBack)
{
    startDaemon({"--source-format", "lavfi", "--source", "testsrc2=size=320x240:rate=25"});
    ASSERT_TRUE(channel->sendCommand(kCmdFormat160x120));
    const pid_t first = sourcePid();
    ASSERT_GT(first, 0);
    ASSERT_EQ(::kill(first, SIGKILL), 0);
    EXPECT_TRUE(framesStopWithin(std::chrono::seconds(2)));
    EXPECT_FALSE(deviceNodeExists());
    expectDeviceReturnsWithin(std::chrono::seconds(4));
    const pid_t second = sourcePid();
    EXPECT_GT(second, 0);
    EXPECT_NE(second, first);
}

TEST_F(LiveSourceTest, SourceThatEndsUnplugsAndPlaysAgainWhenReopened)
{
    const fs::path clip = folder / "clip.mkv";
    ASSERT_TRUE(runForOutput({"ffmpeg", "-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                              "testsrc2=size=320x240:rate=10", "-t", "2", "-c:v", "ffv1", clip.string()}));
    startDaemon({"--source", clip.string()});
    ASSERT_TRUE(channel->sendCommand(kCmdFormat160x120));
    EXPECT_TRUE(framesStopWithin(std::chrono::seconds(4)));
    EXPECT_FALSE(deviceNodeExists());
    expectDeviceReturnsWithin(std::chrono::seconds(3));
}

TEST(LiveSourceStart, SourceThatCannotBeOpenedIsAnErrorNamingIt)
{
    po::testing::DaemonProcess daemon(OUSBDRVD_PATH);
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {OUSBDRVD_PATH, "--root", daemon.root().string()});
        return platform::shell::runProgram(args, platform::shell::CaptureOutput::StandardOutputAndError);
    };
    for (const auto& [option, source] : std::vector<std::pair<std::string, std::string>>{
             {"--video", "/nonexistent/clip.mp4"},
             {"--v4l2", "/dev/video-nonexistent"},
             {"--source", "/nonexistent/stream.ts"}}) {
        SCOPED_TRACE(option);
        const auto result = run({option, source});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.output.find("cannot open the picture source"), std::string::npos) << result.output;
        EXPECT_NE(result.output.find(source), std::string::npos) << result.output;
    }
    EXPECT_EQ(run({"--source-format", "lavfi", "--source", "nosuchfilter"}).exitCode, 1);
    const auto noProgram = run({"--ffmpeg", "/nonexistent/ffmpeg", "--video", "clip.mp4"});
    EXPECT_EQ(noProgram.exitCode, 1);
    EXPECT_NE(noProgram.output.find("cannot run /nonexistent/ffmpeg"), std::string::npos) << noProgram.output;
    EXPECT_EQ(run({"--video", "a.mp4", "--image", "b.png"}).exitCode, 2);
    EXPECT_EQ(run({"--source-format", "lavfi", "--video", "a.mp4"}).exitCode, 2);
    EXPECT_TRUE(fs::is_empty(daemon.root())) << "nothing published";
}
