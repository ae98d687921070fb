// Recordings as the main window drives them, against the real virtual camera
// and the real capture driver: the three modes, their hand-over keys, files
// read back by ffprobe and ffmpeg, the still and the album entry, the
// refusals, and recordings that cannot start or are cut short.
#include "camera/capture/picture_tables.h"
#include "camera/capture/tests/photo_test_support.h"
#include "camera/capture/video_recording.h"
#include "platform/ousbdrv/socket_transport.h"
#include "platform/ousbdrv/testing/daemon_process.h"
#include "platform/print/recording_printer.h"
#include "platform/profile/profile.h"
#include "platform/profile/testing/temp_windows_directory.h"
#include "platform/ui/testing/test_application.h"
#include "platform/vfw/capture_messages.h"
#include "platform/vfw/testing/vfw_test_support.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>

#include <thread>

namespace fs = std::filesystem;
namespace po = platform::ousbdrv;
using namespace lumoset;
using namespace lumoset::testing;
using namespace vfw_testing;

namespace {

// The main window as a recording sees it; every call recorded.
class FakeRecordingWindow : public FakeMainWindow, public VideoHost {
public:
    VideoControllerState& videoState() override { return video; }
    int& videoCount() override { return state.videoCount; }
    const CapturedSettings& capturedSettings() const override { return settings; }
    bool colourMode() const override { return colour; }
    bool normalZoom() const override { return !zoomed; }
    int quality() const override { return qualityValue; }
    std::string aviFolder() const override { return folder + "/AVI"; }
    std::uint64_t freeDiskBytes() const override { return freeBytes; }
    bool videoAlbumFull() override { return albumItems >= kVideoAlbumCapacity; }
    QWidget* mainWindow() override { return widget.get(); }
    QRect previewRect() const override { return QRect(61, 33, 320, 240); }
    void repaintPreview() override { calls.push_back("repaint preview"); }
    void startPreviewTimer() override { FakeMainWindow::startPreviewTimer(); }
    void stopPreviewTimer() override { FakeMainWindow::stopPreviewTimer(); }
    void startTimer(int id, int ms) override { timers[id] = ms; }
    void stopTimer(int id) override { timers.erase(id); }
    void startProgress(long long total) override { progressTotal = total; }
    void stopProgress() override { progressTotal = 0; }
    void setActivityLamp(bool on) override { activityLamp = on; }
    void setRecordLamp(RecordLamp lamp) override { lamps.push_back(lamp); }
    void redrawSkin() override {}
    void enableButton(RecordingButton b, bool on) override { buttons[b] = on; }
    void showMessage(int stringId) override { FakeMainWindow::showMessage(stringId); }
    void closeCamera() override { channel->closeCamera(); ++cameraCloses; }
    bool startCamera() override { ++cameraStarts; return channel->startCamera(); }
    bool searchCamera() override { return channel->findDevice(); }

    VideoControllerState video;
    int qualityValue = 1;
    int albumItems = 0;
    std::unique_ptr<QWidget> widget;
    std::map<int, int> timers;
    long long progressTotal = 0;
    bool activityLamp = false;
    std::vector<RecordLamp> lamps;
    std::map<RecordingButton, bool> buttons;
    int cameraCloses = 0;
    int cameraStarts = 0;
    DeviceChannel* channel = nullptr;
};

class Recording : public TempWindowsDirectory {
protected:
    void SetUp() override
    {
        TempWindowsDirectory::SetUp();
        platform::ui::testing::testApplication();
        window.widget = std::make_unique<QWidget>();
        folder = dir / "data";
        fs::create_directories(folder / "AVI");
        window.folder = folder.string();
        writeKnownPicture(dir / "known.bmp");
        daemon = std::make_unique<po::testing::DaemonProcess>(OUSBDRVD_PATH);
        ASSERT_TRUE(daemon->start({"--device", "0", "--image", (dir / "known.bmp").string()}, {0}))
            << daemon->error();
        ::setenv("OUSBDRV_ROOT", daemon->root().c_str(), 1);
        registerDriver("O_vdocap.drv");

        transport = std::make_unique<po::SocketTransport>(daemon->root());
        channel = std::make_unique<DeviceChannel>(*transport, platform::clock::systemClock(), window, window);
        channel->setFrameBuffers(planeA, planeB, output);
        channel->setPictureTables(&tables);
        window.channel = channel.get();
        photo = std::make_unique<PhotoCapture>(*channel, platform::clock::systemClock(), printers, window, album, album,
                                               still);
        photo->setFrameBuffers(planeA, output);
        photo->setPictureTables(&tables);
        platform::vfw::CaptureServices services;
        services.audioSources = [] { return platform::vfw::makeToneAudioSource(); };
        recording = std::make_unique<VideoRecording>(window, *photo, cameraSettings, clock, services);
        ASSERT_TRUE(channel->startCamera());
    }
    void TearDown() override
    {
        recording.reset();
        window.widget.reset();
        photo.reset();
        channel.reset();
        transport.reset();
        daemon.reset();
        ::unsetenv("OUSBDRV_ROOT");
        TempWindowsDirectory::TearDown();
    }

    std::string handOver(const char* key) const
    {
        return platform::profile::getPrivateProfileString("Orvane.VCAM_VFW", key, "", "O_VCAM.ini");
    }
    fs::path videoFile(int n) const { return folder / "AVI" / ("CAP" + std::to_string(n) + ".avi"); }
    // Lets queued notices of the capture window arrive.
    void processEvents(std::chrono::milliseconds span)
    {
        const auto end = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < end) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    fs::path folder;
    FakeRecordingWindow window;
    RecordingAlbum album;
    platform::print::RecordingPrinterService printers{true, 300, 300};
    imaging::Bitmap still;
    PictureTables tables;
    std::vector<std::uint8_t> planeA = std::vector<std::uint8_t>(kPlaneBufferBytes);
    std::vector<std::uint8_t> planeB = std::vector<std::uint8_t>(kPlaneBufferBytes);
    std::vector<std::uint8_t> output = std::vector<std::uint8_t>(kOutputBufferBytes);
    std::unique_ptr<po::testing::DaemonProcess> daemon;
    std::unique_ptr<po::SocketTransport> transport;
    std::unique_ptr<DeviceChannel> channel;
    std::unique_ptr<PhotoCapture> photo;
    CameraSettings cameraSettings;
    platform::clock::FakeClock clock;
    std::unique_ptr<VideoRecording> recording;
};

TEST_F(Recording, ContinuousTenSecondsAtQualityZeroWithCdSound)
{
    window.qualityValue = 0;
    window.settings.videoSize = 0;
    window.settings.stopAfterSec = 10;
    window.settings.recordSound = 1;
    window.settings.soundQuality = 2;
    recording->record();
    ASSERT_TRUE(window.video.recording);
    EXPECT_EQ(window.cameraCloses, 1);
    EXPECT_EQ(handOver("Frames"), "50");
    EXPECT_EQ(handOver("FrameRate"), "5");
    EXPECT_EQ(handOver("Width"), "160");
    EXPECT_EQ(handOver("STOP"), "1");
    EXPECT_EQ(window.timers[kRecordTickTimer], 1000);
    EXPECT_EQ(window.video.ticksLeft, 10);
    EXPECT_EQ(window.progressTotal, 10);
    EXPECT_FALSE(window.buttons[RecordingButton::Record]);
    EXPECT_TRUE(window.buttons[RecordingButton::Stop]);
    ASSERT_NE(recording->captureWindow(), nullptr);
    EXPECT_FALSE(recording->captureWindow()->isVisibleTo(window.widget.get()));  // hidden while continuous

    // Timer 204 once a second: ten ticks run down, the eleventh stops. The
    // capture's own 10 s limit ends the file first.
    for (int tick = 0; tick < 10; ++tick) {
        processEvents(std::chrono::milliseconds(1000));
        recording->onRecordTick();
        ASSERT_TRUE(window.video.recording) << "tick " << tick;
    }
    // The capture's own limit ends the sequence at 10 s; the last tick
    // comes after it, however late the machine runs.
    auto* capture = dynamic_cast<platform::vfw::CaptureWindow*>(recording->captureWindow());
    ASSERT_NE(capture, nullptr);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (capture->engine().sequenceRunning() && std::chrono::steady_clock::now() < deadline)
        processEvents(std::chrono::milliseconds(50));
    recording->record();  // a stray press while recording changes nothing
    EXPECT_EQ(window.cameraCloses, 1);
    recording->onRecordTick();
    EXPECT_FALSE(window.video.recording);
    EXPECT_EQ(window.timers.count(kRecordTickTimer), 0u);
    EXPECT_EQ(handOver("STOP"), "0");
    EXPECT_EQ(recording->captureWindow(), nullptr);
    EXPECT_TRUE(channel->isOpen());
    EXPECT_TRUE(window.buttons[RecordingButton::Record]);
    EXPECT_FALSE(window.buttons[RecordingButton::Stop]);
    EXPECT_TRUE(window.messages.empty());

    const fs::path file = videoFile(1);
    const auto video = probeStream(file, "v:0");
    EXPECT_EQ(probeInt(video, "width"), 160);
    EXPECT_EQ(probeInt(video, "height"), 120);
    EXPECT_EQ(video.at("r_frame_rate"), "5/1");
    EXPECT_EQ(probeInt(video, "nb_read_frames"), 50);
    const auto audio = probeStream(file, "a:0");
    EXPECT_EQ(probeInt(audio, "sample_rate"), 44100);
    EXPECT_EQ(probeInt(audio, "channels"), 2);
    EXPECT_LT(differenceFromKnown(decodeFrameRgb(file, 0), 160, 120, false), 6.0);
    EXPECT_LT(differenceFromKnown(decodeFrameRgb(file, 49), 160, 120, false), 6.0);
    EXPECT_TRUE(fs::exists(folder / "AVI" / "CAP1.bmp"));
    ASSERT_EQ(album.paths.size(), 1u);
    EXPECT_EQ(album.paths[0], (folder / "AVI" / "CAP1").string());
}

TEST_F(Recording, TimeLapseOfAMinuteEveryTenSecondsWritesSixFrames)
{
    window.settings.videoType = kVideoTimeLapse;
    window.settings.videoSize = 1;
    window.settings.stopAfterSec = 60;
    window.settings.frameIntervalSec = 10;
    recording->record();
    ASSERT_TRUE(window.video.recording);
    EXPECT_EQ(window.timers[kRecordTickTimer], 10000);
    EXPECT_EQ(window.video.ticksLeft, 6);
    EXPECT_EQ(window.progressTotal, 60);
    ASSERT_NE(recording->captureWindow(), nullptr);
    EXPECT_TRUE(recording->captureWindow()->isVisibleTo(window.widget.get()));

    for (int tick = 0; tick < 6; ++tick)
        recording->onRecordTick();
    EXPECT_TRUE(window.video.recording);
    EXPECT_EQ(std::count(window.lamps.begin(), window.lamps.end(), RecordLamp::Frame), 6);
    EXPECT_EQ(clock.totalSlept(), std::chrono::milliseconds(6 * 300));
    recording->onRecordTick();
    EXPECT_FALSE(window.video.recording);
    EXPECT_EQ(window.lamps.back(), RecordLamp::Idle);
    EXPECT_EQ(handOver("STOP"), "1");

    const auto video = probeStream(videoFile(1), "v:0");
    EXPECT_EQ(probeInt(video, "nb_read_frames"), 6);
    EXPECT_EQ(probeInt(video, "width"), 176);
    EXPECT_EQ(album.paths.size(), 1u);
}

TEST_F(Recording, ManualThreePressesAndStopGiveThreeFramesAndOneStill)
{
    window.settings.videoType = kVideoManual;
    window.settings.videoSize = 2;
    window.zoomed = true;
    for (int press = 0; press < 3; ++press) {
        recording->record();
        ASSERT_TRUE(window.video.recording);
        EXPECT_FALSE(window.video.captureWindowFresh);
        EXPECT_TRUE(window.buttons[RecordingButton::Stop]);
    }
    EXPECT_EQ(window.cameraCloses, 1);  // one capture window for all presses
    EXPECT_EQ(handOver("Zoom"), "1");
    recording->stopRecording();
    EXPECT_EQ(handOver("STOP"), "1");
    EXPECT_TRUE(window.video.captureWindowFresh);

    const fs::path file = videoFile(1);
    const auto video = probeStream(file, "v:0");
    EXPECT_EQ(probeInt(video, "nb_read_frames"), 3);
    EXPECT_EQ(probeInt(video, "width"), 320);
    EXPECT_LT(differenceFromKnown(decodeFrameRgb(file, 2), 320, 240, true), 6.0);
    EXPECT_EQ(album.paths.size(), 1u);
    EXPECT_TRUE(fs::exists(folder / "AVI" / "CAP1.bmp"));

    // The next recording takes the next number.
    recording->record();
    recording->stopRecording();
    EXPECT_TRUE(fs::exists(videoFile(2)));
}

TEST_F(Recording, FullAlbumAndLowDiskSpaceRefuseBeforeTheCameraCloses)
{
    window.albumItems = 50;
    recording->record();
    EXPECT_FALSE(window.video.recording);
    EXPECT_EQ(window.cameraCloses, 0);
    EXPECT_TRUE(window.messages.empty());  // the album says it itself

    window.albumItems = 49;
    constexpr std::uint64_t kTwentyMegabytes = 20 * 1024 * 1024;  // written out, not the constant
    window.freeBytes = kTwentyMegabytes - 1;
    recording->record();
    EXPECT_FALSE(window.video.recording);
    EXPECT_EQ(window.cameraCloses, 0);
    EXPECT_EQ(window.messages, std::vector<int>{kStrInsufficientDiskSpace});
    EXPECT_EQ(window.state.videoCount, 0);

    // Exactly the threshold and one free album place are enough.
    window.messages.clear();
    window.settings.videoType = kVideoManual;
    window.freeBytes = kTwentyMegabytes;
    recording->record();
    EXPECT_TRUE(window.video.recording);
    EXPECT_EQ(window.cameraCloses, 1);
    EXPECT_TRUE(window.messages.empty());
    recording->stopRecording();
}

TEST_F(Recording, NoCaptureDriverBringsThePreviewBackAndSaysSo)
{
    registerDriver("0");
    recording->record();
    EXPECT_FALSE(window.video.recording);
    EXPECT_EQ(recording->captureWindow(), nullptr);
    EXPECT_EQ(window.cameraCloses, 1);
    EXPECT_EQ(window.cameraStarts, 1);
    EXPECT_TRUE(channel->isOpen());
    EXPECT_TRUE(window.timerRunning);
    EXPECT_EQ(window.messages, std::vector<int>{kStrCaptureWindowFailed});
    EXPECT_TRUE(window.buttons[RecordingButton::Record]);
    EXPECT_TRUE(window.buttons[RecordingButton::TakePicture]);
    EXPECT_FALSE(window.buttons[RecordingButton::Stop]);
    EXPECT_EQ(window.state.videoCount, 0);  // no window connected, no number used
}

TEST_F(Recording, UnpluggedCameraEndsThePlayableFileAndTellsTheUser)
{
    window.settings.stopAfterSec = 20;
    recording->record();
    ASSERT_TRUE(window.video.recording);
    processEvents(std::chrono::milliseconds(1500));
    ASSERT_EQ(daemon->runCommand({"--unplug", "0"}), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (window.video.recording && std::chrono::steady_clock::now() < deadline)
        processEvents(std::chrono::milliseconds(20));
    EXPECT_FALSE(window.video.recording);
    EXPECT_NE(std::find(window.messages.begin(), window.messages.end(), kStrRecordingCutShort), window.messages.end());
    EXPECT_TRUE(album.paths.empty());  // no still from a camera that is gone

    const auto video = probeStream(videoFile(1), "v:0");
    const int frames = probeInt(video, "nb_read_frames");
    EXPECT_GE(frames, 3);
    EXPECT_LT(frames, 100);
    EXPECT_LT(differenceFromKnown(decodeFrameRgb(videoFile(1), frames - 1), 160, 120, false), 6.0);
}

} // namespace

namespace {

TEST_F(Recording, FailedDeviceSearchStopsTheRecordingWithoutAStill)
{
    // The main window runs Stop from its error report, inside the search.
    window.onError = [this](int) { recording->stopRecording(); };
    window.settings.videoType = kVideoTimeLapse;
    window.settings.stopAfterSec = 10;
    window.settings.frameIntervalSec = 1;
    recording->record();
    recording->onRecordTick();
    ASSERT_TRUE(recording->searchCameraDuringRecording());
    ASSERT_EQ(daemon->runCommand({"--unplug", "0"}), 0);
    EXPECT_FALSE(recording->searchCameraDuringRecording());
    EXPECT_FALSE(window.video.recording);
    EXPECT_TRUE(album.paths.empty());
    EXPECT_EQ(probeInt(probeStream(videoFile(1), "v:0"), "nb_read_frames"), 1);
}

} // namespace
