// The camera unplugged and plugged in again, over and over, while the live
// picture runs, during a photo series and during a recording. Every cycle
// must show the notice, end what was running, come back to a live picture
// and leave every recording cut by the unplug playable. The process runs
// under LeakSanitizer, so whatever a cycle leaks fails the test at exit.
//
// Cycles per case: 10 by default; LUMO_SOAK_CYCLES=N sets another count
// (the long reliability run uses 100). Each case prints its recovery times
// to the preview's next frame: from the device answering the window's
// search again (the first control-device open that succeeds after the
// plug), and from the plug command (which adds the wait for the window's
// next 300 ms reconnect attempt).
#include "camera/app/tests/reliability_fixture.h"

#include <algorithm>
#include <cstdio>

namespace fs = std::filesystem;
using namespace lumoset;
using namespace lumoset::testing;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kDefaultCycles = 10;

double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The daemon's transport, noting when the camera's control device first
// answers an open after being armed.
class AnswerTimingTransport final : public platform::ousbdrv::DeviceTransport {
public:
    explicit AnswerTimingTransport(platform::ousbdrv::DeviceTransport& inner) : inner_(inner) {}
    std::unique_ptr<platform::ousbdrv::DeviceHandle> open(std::string_view deviceName) override
    {
        auto handle = inner_.open(deviceName);
        if (handle && armed && deviceName.find("PIPE") == std::string_view::npos) {
            armed = false;
            answered = Clock::now();
        }
        return handle;
    }
    bool armed = false;
    Clock::time_point answered{};

private:
    platform::ousbdrv::DeviceTransport& inner_;
};

struct RecoveryFigures {
    std::vector<double> fromAnswer;  // the device answered the window's search -> next frame
    std::vector<double> fromPlug;    // the plug command returned -> next frame

    static std::string summary(std::vector<double> times)
    {
        if (times.empty())
            return "none";
        std::sort(times.begin(), times.end());
        char text[96];
        std::snprintf(text, sizeof text, "median %.0f ms, max %.0f ms", times[times.size() / 2], times.back());
        return text;
    }
};

class UnplugSoak : public LiveWindowTest {
protected:
    void SetUp() override
    {
        LiveWindowTest::SetUp();
        cycles = envCount("LUMO_SOAK_CYCLES", kDefaultCycles);
        timing = std::make_unique<AnswerTimingTransport>(*transport);
        windowTransport = timing.get();
    }

    void TearDown() override
    {
        const std::string line = std::to_string(figures.fromPlug.size()) + " cycles; from the device answering: " +
                                 RecoveryFigures::summary(figures.fromAnswer) +
                                 "; from the plug command: " + RecoveryFigures::summary(figures.fromPlug);
        std::printf("[ recovery ] %s\n", line.c_str());
        RecordProperty("recovery", line);
        LiveWindowTest::TearDown();
        timing.reset();
    }

    // Unplugs the camera, checks the window's device-error state, plugs it
    // in and times the way back to a live picture.
    void unplugAndReplug(MainWindow& w)
    {
        ASSERT_EQ(daemon->runCommand({"--unplug", "0"}), 0);
        ASSERT_TRUE(pollUntil([&] { return w.state().deviceError; })) << "the unplug went unnoticed";
        EXPECT_EQ(w.noticeText(), "Device not ready !");
        ASSERT_TRUE(pollUntil([&] { return !w.recordingState().recording; })) << "the recording did not end";
        EXPECT_FALSE(w.state().autoSnapRunning);
        EXPECT_FALSE(w.recordingState().busy);
        EXPECT_FALSE(w.skin().button(kIdTakePicture)->isEnabled());

        timing->armed = true;
        ASSERT_EQ(daemon->runCommand({"--plug", "0"}), 0);
        const Clock::time_point plugged = Clock::now();
        ASSERT_TRUE(pollUntil([&] { return !w.state().deviceError && w.state().framesShown >= 1; }))
            << "no live picture after the replug";
        const Clock::time_point frame = Clock::now();
        ASSERT_FALSE(timing->armed);
        figures.fromAnswer.push_back(millisecondsBetween(timing->answered, frame));
        figures.fromPlug.push_back(millisecondsBetween(plugged, frame));
        EXPECT_TRUE(w.noticeText().empty());
        EXPECT_TRUE(w.skin().button(kIdTakePicture)->isEnabled());
        EXPECT_FALSE(w.timers().isRunning(kTimerReconnect));
        // A long run must not fill the albums (50 items each).
        photoAlbum->paths.clear();
        videoAlbum->paths.clear();
        boxes.clear();
    }

    int cycles = kDefaultCycles;
    std::unique_ptr<AnswerTimingTransport> timing;
    RecoveryFigures figures;
};

TEST_F(UnplugSoak, DuringTheLivePicture)
{
    MainWindow& w = start();
    ASSERT_TRUE(livePicture());
    for (int n = 0; n < cycles; ++n) {
        SCOPED_TRACE("cycle " + std::to_string(n));
        ASSERT_NO_FATAL_FAILURE(unplugAndReplug(w));
        ASSERT_TRUE(livePicture());
    }
    EXPECT_EQ(static_cast<int>(figures.fromPlug.size()), cycles);
}

TEST_F(UnplugSoak, DuringAPhotoSeries)
{
    MainWindow& w = start();
    ASSERT_TRUE(livePicture());
    for (int n = 0; n < cycles; ++n) {
        SCOPED_TRACE("cycle " + std::to_string(n));
        const std::string base = "s" + std::to_string(n) + "_";
        startSeries(base);
        ASSERT_TRUE(w.state().autoSnapRunning);
        const fs::path first = data / "AUTOSNAP" / (base + "1.bmp");
        ASSERT_TRUE(pollUntil([&] { return fs::exists(first); })) << "the series took no picture";
        ASSERT_NO_FATAL_FAILURE(unplugAndReplug(w));
        // The series ended with the unplug: no shot comes after it, and the
        // pictures it took are whole.
        std::error_code error;
        EXPECT_GT(fs::file_size(first, error), 54u);
        EXPECT_TRUE(w.skin().button(kIdTakePicture)->isEnabled());
    }
    EXPECT_EQ(static_cast<int>(figures.fromPlug.size()), cycles);
}

TEST_F(UnplugSoak, DuringARecordingEveryCutFilePlays)
{
    MainWindow& w = start();
    ASSERT_TRUE(livePicture());
    for (int n = 0; n < cycles; ++n) {
        SCOPED_TRACE("cycle " + std::to_string(n));
        startRecording();
        ASSERT_TRUE(w.recordingState().recording);
        const std::string file = w.recording().videoFileName();
        ASSERT_TRUE(pollUntil([&] { return w.recording().framesWritten() >= 3; })) << "nothing recorded";
        ASSERT_NO_FATAL_FAILURE(unplugAndReplug(w));
        const auto frames = static_cast<int>(w.recording().framesWritten());
        ASSERT_GE(frames, 3);

        const auto video = vfw_testing::probeStream(file, "v:0");
        ASSERT_FALSE(video.empty()) << file << " does not play";
        EXPECT_EQ(vfw_testing::probeInt(video, "nb_read_frames"), frames) << file;
        EXPECT_EQ(vfw_testing::probeInt(video, "nb_frames"), frames) << file;
        EXPECT_EQ(vfw_testing::probeStream(file, "a:0").count("codec_type"), 1u) << file << " lost its sound";
    }
    EXPECT_EQ(static_cast<int>(figures.fromPlug.size()), cycles);
}

} // namespace
