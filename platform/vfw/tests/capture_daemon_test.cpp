// The capture service against the real virtual camera: the capture window's
// messages, the driver plugin loaded from the driver list, sequences with and
// without sound, single frames, and recordings that end early (STOP, the
// camera unplugged, the recorder killed), every file read back by ffprobe.
#include "platform/vfw/capture_window.h"
#include "platform/vfw/driver_list.h"
#include "platform/vfw/testing/vfw_test_support.h"
#include "platform/ousbdrv/testing/daemon_process.h"
#include "platform/profile/profile.h"
#include "platform/profile/testing/temp_windows_directory.h"
#include "platform/ui/testing/test_application.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
namespace po = platform::ousbdrv;
using namespace platform::vfw;
using namespace vfw_testing;
using platform::ui::sendMessage;

namespace {

class CaptureService : public TempWindowsDirectory {
protected:
    void SetUp() override
    {
        TempWindowsDirectory::SetUp();
        platform::ui::testing::testApplication();
        writeKnownPicture(dir / "known.bmp");
        daemon = std::make_unique<po::testing::DaemonProcess>(OUSBDRVD_PATH);
        ASSERT_TRUE(daemon->start({"--device", "0", "--image", (dir / "known.bmp").string()}, {0}))
            << daemon->error();
        ::setenv("OUSBDRV_ROOT", daemon->root().c_str(), 1);
        registerDriver("O_vdocap.drv");
        parent = std::make_unique<QWidget>();
        parent->resize(400, 300);
    }
    void TearDown() override
    {
        if (window)
            delete window.data();
        parent.reset();
        daemon.reset();
        ::unsetenv("OUSBDRV_ROOT");
        TempWindowsDirectory::TearDown();
    }

    // A connected capture window recording to `file` at `usPerFrame`.
    void makeWindow(const fs::path& file, std::uint32_t usPerFrame, std::uint32_t limitSeconds,
                    AudioSourceFactory audio = [] { return makeToneAudioSource(); })
    {
        CaptureServices services;
        services.audioSources = std::move(audio);
        services.onNotice = [this](CaptureNotice n) { notices.push_back(n); };
        window = createCaptureWindow(parent.get(), 1, QRect(10, 10, 160, 120), true, services);
        ASSERT_TRUE(window);
        ASSERT_EQ(sendMessage(window, kWmCapDriverConnect, 0, 0), kCapTrue) << window->engine().lastError();
        CaptureParms parms{};
        ASSERT_EQ(sendMessage(window, kWmCapGetSequenceSetup, sizeof parms, reinterpret_cast<std::intptr_t>(&parms)),
                  kCapTrue);
        parms.dwRequestMicroSecPerFrame = usPerFrame;
        parms.fYield = 1;
        parms.fLimitEnabled = 1;
        parms.wTimeLimit = limitSeconds;
        parms.fCaptureAudio = 0;
        ASSERT_EQ(sendMessage(window, kWmCapSetSequenceSetup, sizeof parms, reinterpret_cast<std::intptr_t>(&parms)),
                  kCapTrue);
        const std::string name = file.string();
        ASSERT_EQ(sendMessage(window, kWmCapFileSetCaptureFileA, 0, reinterpret_cast<std::intptr_t>(name.c_str())),
                  kCapTrue);
    }

    void enableSound(const WaveFormatEx& format)
    {
        CaptureParms parms{};
        sendMessage(window, kWmCapGetSequenceSetup, sizeof parms, reinterpret_cast<std::intptr_t>(&parms));
        parms.fCaptureAudio = 1;
        ASSERT_EQ(sendMessage(window, kWmCapSetSequenceSetup, sizeof parms, reinterpret_cast<std::intptr_t>(&parms)),
                  kCapTrue);
        ASSERT_EQ(sendMessage(window, kWmCapSetAudioFormat, sizeof format, reinterpret_cast<std::intptr_t>(&format)),
                  kCapTrue);
    }

    // Handles window events until the sequence has ended or `timeout` passed.
    bool waitForSequenceEnd(std::chrono::seconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            QCoreApplication::processEvents();
            if (std::find(notices.begin(), notices.end(), CaptureNotice::SequenceEnded) != notices.end())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    bool noticed(CaptureNotice n) const { return std::find(notices.begin(), notices.end(), n) != notices.end(); }

    std::unique_ptr<po::testing::DaemonProcess> daemon;
    std::unique_ptr<QWidget> parent;
    QPointer<CaptureWindow> window;
    std::vector<CaptureNotice> notices;
};

TEST_F(CaptureService, DriverListAndDescriptionsFollowSystemIni)
{
    EXPECT_EQ(driverKeyName(0), "MSVideo");
    EXPECT_EQ(driverKeyName(3), "MSVideo3");
    const auto description = driverDescription(0);
    ASSERT_TRUE(description);
    EXPECT_FALSE(description->name.empty());
    EXPECT_LT(description->name.size(), kDriverNameSize);
    EXPECT_FALSE(driverDescription(1));

    // A one-character value is no driver; a file that is no plugin, or none
    // at all, is reported and never loaded.
    registerDriver("0");
    EXPECT_FALSE(driverDescription(0));
    writeFile("O_vdocap.drv", "not a library");
    registerDriver("O_vdocap.drv");
    EXPECT_FALSE(driverDescription(0));
    std::string error;
    EXPECT_FALSE(DriverLibrary::loadIndex(0, &error));
    EXPECT_FALSE(error.empty());
    registerDriver("missing.drv");
    QWidget host;
    CaptureServices services;
    auto w = createCaptureWindow(&host, 1, QRect(0, 0, 10, 10), false, services);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->windowTitle(), QString(kCaptureWindowTitle));
    EXPECT_EQ(sendMessage(w, kWmCapDriverConnect, 0, 0), kCapFalse);
    EXPECT_EQ(sendMessage(w, kWmCapSequence, 0, 0), kCapFalse);
    delete w.data();
    // Gone: every message is ignored.
    EXPECT_EQ(sendMessage(w, kWmCapDriverDisconnect, 0, 0), 0);
}

TEST_F(CaptureService, ContinuousSequenceWithSoundMatchesTheCameraPicture)
{
    writeHandOver(160, 120, true, false, 5, 10);
    const fs::path file = dir / "CAP1.avi";
    makeWindow(file, 200000, 2);
    const WaveFormatEx cd{kWaveFormatPcm, 2, 44100, 176400, 4, 16, 0};
    enableSound(cd);
    CapDriverCaps caps{};
    CapStatus status{};
    EXPECT_EQ(sendMessage(window, kWmCapDriverGetCaps, sizeof caps, reinterpret_cast<std::intptr_t>(&caps)), kCapTrue);
    EXPECT_EQ(sendMessage(window, kWmCapGetStatus, sizeof status, reinterpret_cast<std::intptr_t>(&status)), kCapTrue);
    EXPECT_EQ(status.uiImageWidth, 160u);
    // A record too small for the layout is refused, not overrun.
    EXPECT_EQ(sendMessage(window, kWmCapGetStatus, sizeof status - 1, reinterpret_cast<std::intptr_t>(&status)),
              kCapFalse);

    ASSERT_EQ(sendMessage(window, kWmCapSequence, 0, 0), kCapTrue);
    ASSERT_TRUE(waitForSequenceEnd(std::chrono::seconds(20)));
    sendMessage(window, kWmCapDriverDisconnect, 0, 0);
    EXPECT_FALSE(noticed(CaptureNotice::NoAudioDevice));

    const auto video = probeStream(file, "v:0");
    EXPECT_EQ(probeInt(video, "width"), 160);
    EXPECT_EQ(probeInt(video, "height"), 120);
    EXPECT_EQ(video.at("r_frame_rate"), "5/1");
    EXPECT_EQ(probeInt(video, "nb_read_frames"), 10);
    const auto audio = probeStream(file, "a:0");
    EXPECT_EQ(probeInt(audio, "sample_rate"), 44100);
    EXPECT_EQ(probeInt(audio, "channels"), 2);
    EXPECT_EQ(audio.at("codec_name"), "pcm_s16le");
    for (int n : {0, 9})
        EXPECT_LT(differenceFromKnown(decodeFrameRgb(file, n), 160, 120, false), 6.0) << "frame " << n;
}

TEST_F(CaptureService, WithoutASoundDeviceTheRecordingGoesOnSilentAndSaysSoOnce)
{
    writeHandOver(176, 144, true, false, 6, 6);
    const fs::path file = dir / "silent.avi";
    makeWindow(file, 166667, 1, [] { return makeAlsaAudioSource("no-such-capture-device"); });
    enableSound(WaveFormatEx{kWaveFormatPcm, 1, 11025, 11025, 1, 8, 0});
    ASSERT_EQ(sendMessage(window, kWmCapSequence, 0, 0), kCapTrue);
    ASSERT_TRUE(waitForSequenceEnd(std::chrono::seconds(20)));
    EXPECT_EQ(std::count(notices.begin(), notices.end(), CaptureNotice::NoAudioDevice), 1);
    EXPECT_EQ(probeInt(probeStream(file, "v:0"), "nb_read_frames"), 6);
    EXPECT_TRUE(probeStream(file, "a:0").empty());
}

TEST_F(CaptureService, StopSignalAndStopMessageEndTheSequenceEarly)
{
    writeHandOver(160, 120, true, false, 5, 100);
    const fs::path file = dir / "stopped.avi";
    makeWindow(file, 200000, 20);
    ASSERT_EQ(sendMessage(window, kWmCapSequence, 0, 0), kCapTrue);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    platform::profile::writePrivateProfileString("Orvane.VCAM_VFW", "STOP", "0", "O_VCAM.ini");
    ASSERT_TRUE(waitForSequenceEnd(std::chrono::seconds(5)));
    const int frames = probeInt(probeStream(file, "v:0"), "nb_read_frames");
    EXPECT_GE(frames, 2);
    EXPECT_LT(frames, 20);

    // The stop message ends a running sequence at once (and is harmless after).
    writeHandOver(160, 120, true, false, 5, 100);
    notices.clear();
    const fs::path second = dir / "second.avi";
    const std::string name = second.string();
    sendMessage(window, kWmCapFileSetCaptureFileA, 0, reinterpret_cast<std::intptr_t>(name.c_str()));
    ASSERT_EQ(sendMessage(window, kWmCapSequence, 0, 0), kCapTrue);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(sendMessage(window, kWmCapStop, 0, 0), kCapTrue);
    EXPECT_FALSE(window->engine().sequenceRunning());
    const int secondFrames = probeInt(probeStream(second, "v:0"), "nb_read_frames");
    EXPECT_GE(secondFrames, 1);
    EXPECT_LE(secondFrames, 5);
}

TEST_F(CaptureService, SingleFramesInGreyAndZoomedWithPreview)
{
    writeHandOver(320, 240, false, true, 3, 0);
    const fs::path file = dir / "manual.avi";
    makeWindow(file, 333333, 0);
    parent->show();  // the preview draws only while the window can be seen
    EXPECT_EQ(sendMessage(window, kWmCapSetPreviewRate, 66, 0), kCapTrue);
    EXPECT_EQ(sendMessage(window, kWmCapSetScale, 1, 0), kCapTrue);
    EXPECT_EQ(sendMessage(window, kWmCapSetPreview, 1, 0), kCapTrue);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (window->previewFramesShown() < 2 && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_GE(window->previewFramesShown(), 2);

    EXPECT_EQ(sendMessage(window, kWmCapSingleFrame, 0, 0), kCapFalse);  // not open yet
    ASSERT_EQ(sendMessage(window, kWmCapSingleFrameOpen, 0, 0), kCapTrue);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(sendMessage(window, kWmCapSingleFrame, 0, 0), kCapTrue);
    ASSERT_EQ(sendMessage(window, kWmCapSingleFrameClose, 0, 0), kCapTrue);

    const auto video = probeStream(file, "v:0");
    EXPECT_EQ(video.at("pix_fmt"), "pal8");
    EXPECT_EQ(probeInt(video, "width"), 320);
    EXPECT_EQ(probeInt(video, "nb_read_frames"), 3);
    // Grey frames of the zoomed centre: compare with the known picture's grey.
    const std::string rgb = decodeFrameRgb(file, 2);
    ASSERT_EQ(rgb.size(), 320u * 240 * 3);
    double sum = 0;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            const auto c = knownColour(0.25 + (x + 0.5) / 640, 0.25 + (y + 0.5) / 480);
            const double grey = 0.3 * c[0] + 0.6 * c[1] + 0.1 * c[2];
            sum += std::abs(static_cast<unsigned char>(rgb[(static_cast<std::size_t>(y) * 320 + x) * 3]) - grey);
        }
    }
    EXPECT_LT(sum / (320.0 * 240), 6.0);
}

TEST_F(CaptureService, UnpluggedCameraEndsTheFilePlayableAndIsReported)
{
    writeHandOver(160, 120, true, false, 5, 50);
    const fs::path file = dir / "unplugged.avi";
    makeWindow(file, 200000, 10);
    ASSERT_EQ(sendMessage(window, kWmCapSequence, 0, 0), kCapTrue);
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    ASSERT_EQ(daemon->runCommand({"--unplug", "0"}), 0);
    ASSERT_TRUE(waitForSequenceEnd(std::chrono::seconds(10)));
    EXPECT_TRUE(noticed(CaptureNotice::CameraLost));
    const auto video = probeStream(file, "v:0");
    const int frames = probeInt(video, "nb_read_frames");
    EXPECT_GE(frames, 3);
    EXPECT_LT(frames, 50);
    EXPECT_EQ(probeInt(video, "nb_frames"), frames);
}

TEST_F(CaptureService, KilledRecorderLeavesEveryWholeFrameReadable)
{
    writeHandOver(352, 288, true, false, 9, 900);
    const fs::path file = dir / "killed.avi";
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> args = {VFW_RECORDER_PATH, file.string(), "100", "111111"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);

    FILE* lines = ::fdopen(out[0], "r");
    ASSERT_NE(lines, nullptr);
    unsigned written = 0;
    char line[64];
    while (written < 12 && std::fgets(line, sizeof line, lines) != nullptr)
        std::sscanf(line, "frames %u", &written);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::fclose(lines);
    ASSERT_GE(written, 12u);

    const auto video = probeStream(file, "v:0");
    EXPECT_GE(probeInt(video, "nb_read_frames"), static_cast<int>(written));
    EXPECT_EQ(probeInt(video, "width"), 352);
    EXPECT_LT(differenceFromKnown(decodeFrameRgb(file, static_cast<int>(written) - 1), 352, 288, false), 6.0);
}

} // namespace
