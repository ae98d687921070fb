// Fuzz target for the device channel against a fuzzed camera: every open,
// read and write of the three pipes is answered from the input (refused,
// failed, empty, short, longer than asked, or whole with the input's
// bytes), while the program starts the camera, polls its status, reads
// frames of every size, sends commands and writes registers with any
// numbers. Each call must report at most once and touch no pipe after its
// report (the reporter may close the camera from inside it), answer one of
// its documented results, and never write outside the frame buffers.
//
// Built with clang's -fsanitize=fuzzer it is a libFuzzer target. Built
// without (LUMO_FUZZ_DRIVER) it carries its own mutating driver over the
// seed corpus:
//   fuzz_device_channel [--seconds N] [--seed S] [--corpus DIR]

#include "camera/capture/device_channel.h"
#include "camera/capture/picture_tables.h"
#include "platform/clock/clock.h"
#include "platform/ousbdrv/protocol.h"
#include "platform/ousbdrv/transport.h"

#include <array>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace po = platform::ousbdrv;
using namespace lumoset;

namespace {

long framesRead = 0;  // inputs' frames that arrived whole

[[noreturn]] void fault(const char* what, long a = 0, long b = 0)
{
    std::fprintf(stderr, "fuzz_device_channel: %s (%ld %ld)\n", what, a, b);
    std::abort();
}

// The input, read front to back; once it is used up the camera is a quiet
// good one (writes taken, nothing pending).
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    int next() { return at_ < size_ ? data_[at_++] : -1; }
    std::uint8_t u8() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint16_t u16() { return static_cast<std::uint16_t>(u8() | u8() << 8); }
    std::size_t take(std::uint8_t* to, std::size_t n)
    {
        const std::size_t k = std::min(n, size_ - std::min(at_, size_));
        if (k > 0)
            std::memcpy(to, data_ + at_, k);
        at_ += k;
        return k;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Whether the channel may use a pipe now: not after it reported in the
// same call.
struct CallWatch {
    int reports = 0;
    bool closeOnReport = false;
};

class FuzzedPipe final : public po::DeviceHandle {
public:
    FuzzedPipe(Input& in, CallWatch& watch) : in_(in), watch_(watch) {}

    long read(void* buffer, std::size_t size) override
    {
        checkAllowed();
        if (failed_)
            return -1;
        const int control = in_.next();
        if (control < 0)
            return 0;
        auto* out = static_cast<std::uint8_t*>(buffer);
        switch (control % 8) {
        case 0:
            failed_ = (control & 8) != 0;
            return -1;
        case 1:
            return 0;
        case 2: {  // a transport that claims more than it was asked for
            fillFrom(out, size, size);
            return static_cast<long>(size) + 1 + in_.u8();
        }
        case 3: {  // a part of what was asked
            const std::size_t n = size == 0 ? 0 : in_.u16() % (size + 1);
            fillFrom(out, size, n);
            return static_cast<long>(n);
        }
        default:  // all of it, the first bytes from the input
            fillFrom(out, size, size);
            return static_cast<long>(size);
        }
    }

    long write(const void*, std::size_t size) override
    {
        checkAllowed();
        if (failed_)
            return -1;
        const int control = in_.next();
        if (control < 0)
            return static_cast<long>(size);
        switch (control % 8) {
        case 0:
            failed_ = (control & 8) != 0;
            return -1;
        case 1:
            return 0;
        case 2:
            return static_cast<long>(size) - 1;
        default:
            return static_cast<long>(size);
        }
    }

private:
    void checkAllowed() const
    {
        if (watch_.reports > 0)
            fault("a pipe used after a report in the same call");
    }
    // n bytes delivered: up to 24 from the input (a status answer, a
    // header), the rest a pattern; every byte of the n is written, so a
    // delivery past the buffer is seen.
    void fillFrom(std::uint8_t* out, std::size_t size, std::size_t n)
    {
        n = std::min(n, size);
        const std::size_t head = in_.take(out, std::min<std::size_t>(n, 24));
        // The pattern repeats every 256 bytes; whole blocks are copied, as a
        // byte loop over a frame took most of the fuzzer's time.
        static const std::array<std::uint8_t, 512> pattern = [] {
            std::array<std::uint8_t, 512> p{};
            for (std::size_t i = 0; i < p.size(); ++i)
                p[i] = static_cast<std::uint8_t>(i * 13);
            return p;
        }();
        for (std::size_t i = head; i < n;) {
            const std::size_t chunk = std::min<std::size_t>(256, n - i);
            std::memcpy(out + i, pattern.data() + i % 256, chunk);
            i += chunk;
        }
    }

    Input& in_;
    CallWatch& watch_;
    bool failed_ = false;
};

class FuzzedDevice final : public po::DeviceTransport {
public:
    FuzzedDevice(Input& in, CallWatch& watch) : in_(in), watch_(watch) {}
    std::unique_ptr<po::DeviceHandle> open(std::string_view) override
    {
        if (watch_.reports > 0)
            fault("a device opened after a report in the same call");
        const int control = in_.next();
        if (control >= 0 && control % 4 == 0)
            return nullptr;
        return std::make_unique<FuzzedPipe>(in_, watch_);
    }

private:
    Input& in_;
    CallWatch& watch_;
};

class QuietClock final : public platform::clock::Clock {
public:
    platform::clock::Milliseconds now() const override { return now_; }
    void sleepFor(platform::clock::Milliseconds d) override { now_ += d; }

private:
    platform::clock::Milliseconds now_{0};
};

struct Host final : DeviceChannelHost {
    bool colour = true;
    bool colourMode() const override { return colour; }
};

struct Reporter final : CameraErrorReporter {
    CallWatch* watch = nullptr;
    DeviceChannel* channel = nullptr;
    void reportCameraError(int code) override
    {
        if (code != kCameraErrorDevice && code != kCameraErrorRegisterWrite && code != kCameraErrorCommandWrite &&
            code != kCameraErrorFrame)
            fault("a report of no known code", code);
        if (++watch->reports > 1)
            fault("two reports in one call", code);
        // The main window closes the camera from inside the report.
        if (watch->closeOnReport)
            channel->closeCamera();
    }
};

// Frame sizes the formats use, sizes that do not fit, and nonsense.
constexpr int kSizes[][2] = {{176, 144}, {496, 240}, {352, 288}, {320, 240}, {160, 120}, {80, 60}, {320, 120},
                             {160, 60},  {352, 144}, {80, 32},   {640, 480}, {0, 0},     {-1, 5},  {2, 1},
                             {3, 3},     {1, 119040}};

// The main window's buffers, exactly their sizes, so that the sanitizer
// sees a write past them.
struct Buffers {
    std::unique_ptr<std::uint8_t[]> planeA, planeB, output;
    void make(std::size_t plane, std::size_t out)
    {
        planeA.reset(new std::uint8_t[plane]);
        planeB.reset(new std::uint8_t[plane]);
        output.reset(new std::uint8_t[out]);
        planeBytes = plane;
        outputBytes = out;
    }
    void attach(DeviceChannel& channel)
    {
        channel.setFrameBuffers({planeA.get(), planeBytes}, {planeB.get(), planeBytes}, {output.get(), outputBytes});
    }
    std::size_t planeBytes = 0, outputBytes = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const PictureTables tables = [] {
        PictureTables t;
        buildPictureTables(t, 0, 0, 0, 0);
        return t;
    }();
    static Buffers fullSize = [] {
        Buffers b;
        b.make(kPlaneBufferBytes, kOutputBufferBytes);
        return b;
    }();

    Input in(data, size);
    CallWatch watch;
    FuzzedDevice device(in, watch);
    QuietClock clock;
    Host host;
    Reporter reporter;
    DeviceChannel channel(device, clock, reporter, host);
    reporter.watch = &watch;
    reporter.channel = &channel;
    fullSize.attach(channel);
    channel.setPictureTables(&tables);
    Buffers small;

    for (int step = 0; step < 48 && !in.empty(); ++step) {
        const std::uint8_t op = in.u8();
        watch.reports = 0;
        watch.closeOnReport = (op & 0x80) != 0;
        switch (op % 8) {
        case 0: {
            const bool started = channel.startCamera();
            if (started && watch.reports != 0)
                fault("a start that reported counts as started");
            break;
        }
        case 1: {
            const int r = channel.pollStatus();
            if (r != kPollFrameReady && r != kPollRefused && r != kPollNoFrame && r != kPollFailed)
                fault("a poll result of no known kind", r);
            if ((r == kPollRefused || r == kPollFailed) != (watch.reports == 1))
                fault("a poll that failed without a report, or reported and did not fail", r);
            break;
        }
        case 2: {
            const auto& s = kSizes[in.u8() % std::size(kSizes)];
            const int r = channel.readFrame(s[0], s[1]);
            if (r != kFrameRead && r != kFrameFailed)
                fault("a frame result of no known kind", r);
            framesRead += r == kFrameRead;
            if (r == kFrameRead && watch.reports != 0)
                fault("a frame read after a report");
            if (channel.frameReadInProgress())
                fault("a frame read left in progress");
            break;
        }
        case 3:
            channel.sendCommand(static_cast<std::int8_t>(in.u8()));
            break;
        case 4:
            channel.writeRegister(static_cast<std::int8_t>(in.u8()), static_cast<std::int16_t>(in.u16()));
            break;
        case 5:
            channel.closeCamera();
            if (channel.isOpen())
                fault("a closed camera is open");
            break;
        case 6:
            if (channel.openPipes() != channel.isOpen())
                fault("opening the pipes answered otherwise than their state");
            break;
        default: {  // other buffers, colour or black and white, tables or none
            const std::uint8_t what = in.u8();
            host.colour = (what & 1) != 0;
            channel.setPictureTables((what & 2) ? &tables : nullptr);
            if (what & 4) {
                small.make(1 + in.u16() % 8192, 1 + in.u16() % 16384);
                small.attach(channel);
            } else {
                fullSize.attach(channel);
            }
            break;
        }
        }
    }
    return 0;
}

#ifdef LUMO_FUZZ_DRIVER

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace {

void mutate(std::vector<std::uint8_t>& bytes, std::mt19937& random)
{
    if (bytes.empty())
        bytes.push_back(0);
    const std::size_t at = random() % bytes.size();
    switch (random() % 6) {
    case 0: bytes[at] ^= static_cast<std::uint8_t>(1u << (random() % 8)); break;
    case 1: bytes[at] = static_cast<std::uint8_t>(random()); break;
    case 2: bytes.resize(random() % (bytes.size() + 1)); break;
    case 3: bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::uint8_t>(random())); break;
    case 4: bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at)); break;
    default:  // the status bytes that matter
        bytes[at] = (random() % 2) ? po::kStatusFrameReady : po::kStatusNotYet;
        break;
    }
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 30;
    unsigned seed = 1;
    std::string corpus = FUZZ_CORPUS_DIR;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seed") == 0)
            seed = static_cast<unsigned>(std::atol(argv[i + 1]));
        else if (std::strcmp(argv[i], "--corpus") == 0)
            corpus = argv[i + 1];
    }
    std::vector<std::vector<std::uint8_t>> seeds;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(corpus, ec)) {
        std::ifstream file(entry.path(), std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "fuzz_device_channel: no seed files in %s\n", corpus.c_str());
        return 1;
    }
    std::mt19937 random(seed);
    long runs = 0;
    for (const auto& s : seeds) {
        LLVMFuzzerTestOneInput(s.data(), s.size());
        ++runs;
    }
    // The seeds are sessions of a working camera: without frames from them
    // the fuzzing would never get past the status poll.
    if (framesRead == 0) {
        std::fprintf(stderr, "fuzz_device_channel: no seed delivered a frame\n");
        return 1;
    }
    const long seedFrames = framesRead;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        for (int batch = 0; batch < 16; ++batch) {
            std::vector<std::uint8_t> bytes = seeds[random() % seeds.size()];
            const int mutations = 1 + static_cast<int>(random() % 6);
            for (int m = 0; m < mutations; ++m)
                mutate(bytes, random);
            std::vector<std::uint8_t> exact(bytes);
            LLVMFuzzerTestOneInput(exact.data(), exact.size());
            ++runs;
        }
    }
    std::printf("fuzz_device_channel: %ld inputs from %zu seeds (%ld frames), %ld frames read, seed %u, no faults\n",
                runs, seeds.size(), seedFrames, framesRead, seed);
    return 0;
}

#endif // LUMO_FUZZ_DRIVER
