// CPU time the daemon spends per served 496 x 240 frame (status read, both
// planes, end of transfer), with the animated test scene and with a 25 fps
// 640 x 480 source read through ffmpeg. The client pulls frames as fast as
// the daemon answers (frame interval 0). The daemon's own CPU time comes
// from /proc, so the client's work is not counted; ffmpeg's decoding is
// reported apart, per second, as it does not depend on the frames served.
// A third case measures what a source costs the daemon while nobody asks
// for frames (its reader keeping the newest picture).

#include "platform/ousbdrv/protocol.h"
#include "platform/ousbdrv/socket_transport.h"
#include "platform/ousbdrv/testing/daemon_process.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace po = platform::ousbdrv;

namespace {

const std::vector<std::string> kSourceArgs = {"--source-format", "lavfi", "--source",
                                              "testsrc2=size=640x480:rate=25"};

// User plus system CPU time of a process, in seconds (all its threads).
double cpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

pid_t sourcePid(const po::testing::DaemonProcess& daemon)
{
    std::string status;
    daemon.runCommand({"--status"}, &status);
    const std::size_t at = status.find("pid ");
    return at == std::string::npos ? -1 : std::atoi(status.c_str() + at + 4);
}

class Client {
public:
    explicit Client(const std::filesystem::path& root) : transport_(root)
    {
        frame_ = transport_.open(R"(\\.\ousbdrv000\PIPE00)");
        commands_ = transport_.open(R"(\\.\ousbdrv000\PIPE01)");
        status_ = transport_.open(R"(\\.\ousbdrv000\PIPE02)");
        ok_ = frame_ && commands_ && status_ && send(po::command::kStartFirst) && send(po::command::kStartSecond) &&
              send(po::command::kFormat496x240);
    }
    bool ok() const { return ok_; }

    bool serveOne()
    {
        std::uint8_t answer[po::kStatusAnswerSize];
        if (status_->read(answer, sizeof answer) != static_cast<long>(sizeof answer))
            return false;
        const long want = static_cast<long>(po::kFrameHeaderSize + po::kMaxPlaneSize);
        return send(po::command::kBeginTransfer) && frame_->read(buffer_.data(), buffer_.size()) == want &&
               send(po::command::kColourPlane) && frame_->read(buffer_.data(), buffer_.size()) == want &&
               send(po::command::kEndTransfer);
    }

private:
    bool send(std::uint8_t code)
    {
        const std::uint8_t packet[po::kCommandPacketSize] = {code};
        return commands_->write(packet, sizeof packet) == static_cast<long>(sizeof packet);
    }

    po::SocketTransport transport_;
    std::unique_ptr<po::DeviceHandle> frame_, commands_, status_;
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(po::kFrameHeaderSize + po::kMaxPlaneSize);
    bool ok_ = false;
};

void servedFrames(benchmark::State& state, std::vector<std::string> args)
{
    po::testing::DaemonProcess daemon(OUSBDRVD_PATH);
    args.insert(args.end(), {"--frame-interval", "0", "--exposure-step", "0"});
    if (!daemon.start(args, {0})) {
        state.SkipWithError(daemon.error().c_str());
        return;
    }
    Client client(daemon.root());
    if (!client.ok()) {
        state.SkipWithError("cannot open the camera");
        return;
    }
    const pid_t source = args.front() == "--source-format" ? sourcePid(daemon) : -1;
    const double daemonBefore = cpuSeconds(daemon.pid());
    const double sourceBefore = source > 0 ? cpuSeconds(source) : 0;
    const auto wallBefore = std::chrono::steady_clock::now();
    for (auto _ : state)
        if (!client.serveOne()) {
            state.SkipWithError("frame transfer failed");
            break;
        }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    const double frames = static_cast<double>(state.iterations());
    state.counters["daemon_cpu_us_per_frame"] = (cpuSeconds(daemon.pid()) - daemonBefore) * 1e6 / frames;
    state.counters["frames_per_s"] = frames / wall;
    if (source > 0)
        state.counters["ffmpeg_cpu_ms_per_s"] = (cpuSeconds(source) - sourceBefore) * 1e3 / wall;
}

void idleSource(benchmark::State& state)
{
    po::testing::DaemonProcess daemon(OUSBDRVD_PATH);
    if (!daemon.start(kSourceArgs, {0})) {
        state.SkipWithError(daemon.error().c_str());
        return;
    }
    const double before = cpuSeconds(daemon.pid());
    const auto wallBefore = std::chrono::steady_clock::now();
    for (auto _ : state)
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    state.counters["daemon_cpu_ms_per_s"] = (cpuSeconds(daemon.pid()) - before) * 1e3 / wall;
}

BENCHMARK_CAPTURE(servedFrames, test_scene, std::vector<std::string>{})
    ->Unit(benchmark::kMicrosecond)->MinTime(3.0)->UseRealTime();
BENCHMARK_CAPTURE(servedFrames, ffmpeg_source, kSourceArgs)
    ->Unit(benchmark::kMicrosecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(idleSource)->Unit(benchmark::kMillisecond)->Iterations(6)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
