// Recordings killed outright: a recorder process (vfw_mode_recorder) records
// continuously with sound, as a time lapse or with manual single frames, and
// is sent SIGKILL at a random moment, between or in the middle of writes.
// Every file must still be read by ffprobe up to the last frame the recorder
// had reported written, and that frame must be the camera's picture.
//
// Runs per mode: 2 by default; LUMO_KILLED_RUNS=N sets another count (the
// long reliability run uses 20). LUMO_KILLED_SEED repeats a run's moments.
#include "platform/vfw/driver_list.h"
#include "platform/vfw/testing/vfw_test_support.h"
#include "platform/ousbdrv/testing/daemon_process.h"
#include "platform/profile/testing/temp_windows_directory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
namespace po = platform::ousbdrv;
using namespace vfw_testing;

namespace {

constexpr int kDefaultRunsPerMode = 2;
constexpr int kWidth = 352;
constexpr int kHeight = 288;
// The furthest a run goes before its kill, in frames, and the most it waits
// after the chosen frame (longer than any mode's gap between frames, so the
// kill lands anywhere in the next frame's write).
constexpr unsigned kMaxFramesBeforeKill = 12;
constexpr int kMaxDelayAfterFrameUs = 260000;

int envInt(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return fallback;
    const long parsed = std::strtol(value, nullptr, 10);
    return parsed > 0 && parsed < 100000 ? static_cast<int>(parsed) : fallback;
}

struct KilledRun {
    unsigned framesReported = 0;  // the last count the recorder printed
    bool exitedBeforeKill = false;
};

// Starts the recorder, lets it reach `framesBeforeKill`, waits `delayUs` more
// and kills it.
KilledRun recordAndKill(const std::vector<std::string>& arguments, unsigned framesBeforeKill, int delayUs)
{
    KilledRun run;
    int out[2];
    if (::pipe(out) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> args = arguments;
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        return run;
    }
    FILE* lines = ::fdopen(out[0], "r");
    char line[64];
    while (run.framesReported < framesBeforeKill && lines != nullptr && std::fgets(line, sizeof line, lines) != nullptr)
        std::sscanf(line, "frames %u", &run.framesReported);
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.exitedBeforeKill = !(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    if (lines != nullptr)
        std::fclose(lines);
    else
        ::close(out[0]);
    return run;
}

class KilledRecording : public TempWindowsDirectory {
protected:
    void SetUp() override
    {
        TempWindowsDirectory::SetUp();
        writeKnownPicture(dir / "known.bmp");
        daemon = std::make_unique<po::testing::DaemonProcess>(OUSBDRVD_PATH);
        ASSERT_TRUE(daemon->start({"--device", "0", "--image", (dir / "known.bmp").string()}, {0}))
            << daemon->error();
        ::setenv("OUSBDRV_ROOT", daemon->root().c_str(), 1);
        registerDriver("O_vdocap.drv");
        writeHandOver(kWidth, kHeight, true, false, 5, 500);
        const char* fixedSeed = std::getenv("LUMO_KILLED_SEED");
        seed = fixedSeed != nullptr ? static_cast<unsigned>(std::strtoul(fixedSeed, nullptr, 10))
                                    : std::random_device{}();
        random.seed(seed);
    }
    void TearDown() override
    {
        daemon.reset();
        ::unsetenv("OUSBDRV_ROOT");
        TempWindowsDirectory::TearDown();
    }

    // Kills `runs` recordings of `mode` and checks every file.
    void killRecordings(const std::string& mode, bool withSound)
    {
        const int runs = envInt("LUMO_KILLED_RUNS", kDefaultRunsPerMode);
        std::uniform_int_distribution<unsigned> frames(1, kMaxFramesBeforeKill);
        std::uniform_int_distribution<int> delay(0, kMaxDelayAfterFrameUs);
        for (int n = 0; n < runs; ++n) {
            const fs::path file = dir / (mode + std::to_string(n) + ".avi");
            const unsigned target = frames(random);
            const int delayUs = delay(random);
            SCOPED_TRACE(mode + " run " + std::to_string(n) + ": kill " + std::to_string(delayUs) +
                         " us after frame " + std::to_string(target) + " (seed " + std::to_string(seed) + ")");
            const KilledRun run =
                recordAndKill({VFW_MODE_RECORDER_PATH, mode, file.string(), std::to_string(random())}, target, delayUs);
            ASSERT_FALSE(run.exitedBeforeKill);
            ASSERT_GE(run.framesReported, target);

            const auto video = probeStream(file, "v:0");
            ASSERT_FALSE(video.empty()) << "ffprobe cannot read " << file;
            const int readable = probeInt(video, "nb_read_frames");
            EXPECT_GE(readable, static_cast<int>(run.framesReported));
            EXPECT_EQ(probeInt(video, "width"), kWidth);
            // The last frame reported written is whole and is the camera's picture.
            EXPECT_LT(differenceFromKnown(decodeFrameRgb(file, static_cast<int>(run.framesReported) - 1), kWidth,
                                          kHeight, false),
                      6.0);
            if (withSound) {
                EXPECT_EQ(probeStream(file, "a:0").count("codec_type"), 1u) << "sound stream lost";
            }
            ++filesChecked;
        }
        EXPECT_EQ(filesChecked, runs);
    }

    std::unique_ptr<po::testing::DaemonProcess> daemon;
    unsigned seed = 0;
    std::mt19937 random;
    int filesChecked = 0;
};

TEST_F(KilledRecording, ContinuousWithSoundKeepsEveryWrittenFrame)
{
    killRecordings("continuous", true);
}

TEST_F(KilledRecording, TimeLapseKeepsEveryWrittenFrame)
{
    killRecordings("timelapse", false);
}

TEST_F(KilledRecording, ManualFramesKeepEveryWrittenFrame)
{
    killRecordings("manual", false);
}

} // namespace
