// Recording speed.
//
// AviWrite / PlainWrite: 300 frames of 352 x 288 x 24 bits (87 MiB) written
// to a file in the temporary folder, once through the AVI writer (chunk
// headers, header refresh after every frame, indexes) and once as the same
// frame bytes with plain sequential write(); both end with fsync. The summary
// gives the writer's throughput as a share of the plain write (goal 80 %).
//
// Recording352x288: a 10 s continuous recording from the virtual camera
// through the capture driver at 352 x 288, at the highest rate the frame
// rate table has for that size (3 per second) and at 30 per second; counters
// give the frames due in that time, the frames kept (written from a frame of
// their own interval) and the intervals filled with the frame before
// (dropped). Goal: none dropped.

#include "platform/ousbdrv/testing/daemon_process.h"
#include "platform/profile/profile.h"
#include "platform/vfw/avi_writer.h"
#include "platform/vfw/capture_engine.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace platform::vfw;

namespace {

constexpr int kFrames = 300;
constexpr AviVideoFormat kFormat{352, 288, 24, 333333};

fs::path scratchFile(const char* name)
{
    return fs::temp_directory_path() / (std::string("vfw-bench-") + std::to_string(::getpid()) + "-" + name);
}

std::vector<std::uint8_t>& frameBytes()
{
    static std::vector<std::uint8_t> frame = [] {
        std::vector<std::uint8_t> f(dibFrameBytes(kFormat));
        for (std::size_t i = 0; i < f.size(); ++i)
            f[i] = static_cast<std::uint8_t>(i * 7 + i / 1000);
        return f;
    }();
    return frame;
}

std::map<std::string, double> throughput;  // bytes per second, best run

void AviWrite(benchmark::State& state)
{
    const auto& frame = frameBytes();
    const fs::path file = scratchFile("avi.avi");
    for (auto _ : state) {
        AviWriter writer;
        if (!writer.open(file, kFormat, nullptr)) {
            state.SkipWithError(writer.error().c_str());
            return;
        }
        for (int i = 0; i < kFrames; ++i)
            writer.writeVideo(frame);
        if (!writer.close()) {
            state.SkipWithError(writer.error().c_str());
            return;
        }
    }
    const double bytes = static_cast<double>(frame.size()) * kFrames;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes * static_cast<double>(state.iterations())));
    fs::remove(file);
}

void PlainWrite(benchmark::State& state)
{
    const auto& frame = frameBytes();
    const fs::path file = scratchFile("plain.bin");
    for (auto _ : state) {
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        for (int i = 0; i < kFrames; ++i) {
            if (::write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()))
                state.SkipWithError("write failed");
        }
        ::fsync(fd);
        ::close(fd);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(static_cast<double>(frame.size()) * kFrames *
                                                      static_cast<double>(state.iterations())));
    fs::remove(file);
}

void Recording352x288(benchmark::State& state)
{
    const int rate = static_cast<int>(state.range(0));
    const fs::path windir = scratchFile("windir");
    fs::create_directories(windir);
    ::setenv("WINDIR", windir.c_str(), 1);
    platform::profile::writePrivateProfileString("drivers", "MSVideo", "O_vdocap.drv", "system.ini");
    const auto put = [](const char* key, const std::string& value) {
        platform::profile::writePrivateProfileString("Orvane.VCAM_VFW", key, value, "O_VCAM.ini");
    };
    put("Color", "1");
    put("Zoom", "0");
    put("Quality", "2");
    put("Width", "352");
    put("Height", "288");
    put("FrameRate", std::to_string(rate));
    put("Frames", std::to_string(rate * 10));
    put("STOP", "1");

    platform::ousbdrv::testing::DaemonProcess daemon(OUSBDRVD_PATH);
    if (!daemon.start({"--device", "0"}, {0})) {
        state.SkipWithError(daemon.error().c_str());
        return;
    }
    ::setenv("OUSBDRV_ROOT", daemon.root().c_str(), 1);
    std::uint32_t written = 0, dropped = 0, grabbed = 0;
    for (auto _ : state) {
        CaptureEngine engine(AudioSourceFactory{}, nullptr);
        if (!engine.connect(0)) {
            state.SkipWithError(engine.lastError().c_str());
            break;
        }
        auto parms = engine.sequenceSetup();
        parms.dwRequestMicroSecPerFrame = static_cast<std::uint32_t>(1000000.0 / rate + 0.5);
        parms.fLimitEnabled = 1;
        parms.wTimeLimit = 10;
        parms.fCaptureAudio = 0;
        engine.setSequenceSetup(parms);
        engine.setCaptureFile((windir / "CAP1.avi").string());
        engine.startSequence();
        while (engine.sequenceRunning())
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        engine.stop();
        written = engine.framesWritten();
        dropped = engine.framesDropped();
        grabbed = engine.framesGrabbed();
    }
    state.counters["due"] = written;
    state.counters["kept"] = written - dropped;
    state.counters["dropped"] = dropped;
    state.counters["grabbed"] = grabbed;
    ::unsetenv("OUSBDRV_ROOT");
    daemon.stop();
    fs::remove_all(windir);
}

BENCHMARK(AviWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(PlainWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(Recording352x288)->Arg(3)->Arg(30)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Prints the writer's share of the plain write from the runs' throughputs.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end())
                throughput[run.run_name.function_name] = it->second.value;
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        if (throughput.count("AviWrite") != 0 && throughput.count("PlainWrite") != 0 && throughput["PlainWrite"] > 0)
            std::printf("AVI writer at %.1f %% of a plain sequential write (goal >= 80 %%)\n",
                        100.0 * throughput["AviWrite"] / throughput["PlainWrite"]);
    }
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
