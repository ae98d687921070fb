// Frame conversion speed: our conversion (the path this processor runs), the
// plain formula, libyuv's I422ToRGB24 as the peer (same frame, separate
// half-width colour planes, bottom-up output) and a memcpy of the output
// size as the floor, for the largest camera frame (496 x 240) and the large
// preview frame (320 x 240). Each is measured five times; the summary at the
// end gives the medians' ratios against the goals.

#include "camera/capture/picture_convert.h"

#include <benchmark/benchmark.h>
#include <libyuv/convert_argb.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using lumoset::ConvertPath;

constexpr int kRepetitions = 5;
constexpr double kGoalSpeedupOverPeer = 2.0;
constexpr double kGoalTimesFloor = 2.5;

struct Frame {
    int width;
    int height;
    Bytes planeA, planeB; // our camera planes
    Bytes u, v;           // the same colour samples, split for the peer
    Bytes copySource;     // output-sized, for the floor
    Bytes out;
};

Frame& frame(int width, int height)
{
    static std::map<std::pair<int, int>, Frame> frames;
    auto [it, made] = frames.try_emplace({width, height});
    Frame& f = it->second;
    if (made) {
        std::mt19937 rng(static_cast<unsigned>(width * 1000 + height));
        const std::size_t n = static_cast<std::size_t>(width) * height;
        f.width = width;
        f.height = height;
        f.planeA.resize(n);
        f.planeB.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            f.planeA[i] = static_cast<std::uint8_t>(rng());
            f.planeB[i] = static_cast<std::uint8_t>(rng());
        }
        for (std::size_t i = 0; i < n; i += 2) {
            f.v.push_back(f.planeB[i]);     // red difference first
            f.u.push_back(f.planeB[i + 1]); // then blue difference
        }
        const std::size_t outBytes = lumoset::dibRowBytes(width, 24) * height;
        f.copySource.assign(outBytes, 0x5A);
        f.out.assign(outBytes, 0);
    }
    return f;
}

const lumoset::PictureTables& tables()
{
    static const lumoset::PictureTables t = [] {
        lumoset::PictureTables made;
        lumoset::buildPictureTables(made, 2, 3, 5, 1);
        return made;
    }();
    return t;
}

void ours(benchmark::State& state, int w, int h)
{
    Frame& f = frame(w, h);
    for (auto _ : state) {
        lumoset::convertColour(tables(), f.planeA, f.planeB, w, h, f.out);
        benchmark::DoNotOptimize(f.out.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(lumoset::convertPathName(lumoset::activeConvertPath()));
}

void onPath(benchmark::State& state, int w, int h, ConvertPath path)
{
    Frame& f = frame(w, h);
    for (auto _ : state) {
        lumoset::convertColourOn(path, tables(), f.planeA, f.planeB, w, h, f.out);
        benchmark::DoNotOptimize(f.out.data());
        benchmark::ClobberMemory();
    }
}

void peer(benchmark::State& state, int w, int h)
{
    Frame& f = frame(w, h);
    for (auto _ : state) {
        // A negative height writes the rows bottom-up, as ours does.
        libyuv::I422ToRGB24(f.planeA.data(), w, f.u.data(), w / 2, f.v.data(), w / 2,
                            f.out.data(), w * 3, w, -h);
        benchmark::DoNotOptimize(f.out.data());
        benchmark::ClobberMemory();
    }
}

void floorCopy(benchmark::State& state, int w, int h)
{
    Frame& f = frame(w, h);
    for (auto _ : state) {
        std::memcpy(f.out.data(), f.copySource.data(), f.out.size());
        benchmark::DoNotOptimize(f.out.data());
        benchmark::ClobberMemory();
    }
}

std::string sizeName(int w, int h)
{
    return std::to_string(w) + "x" + std::to_string(h);
}

void registerAll()
{
    for (auto [w, h] : {std::pair{496, 240}, std::pair{320, 240}}) {
        const std::string size = sizeName(w, h);
        auto setup = [](benchmark::internal::Benchmark* b) {
            b->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions)->DisplayAggregatesOnly(true);
        };
        setup(benchmark::RegisterBenchmark(("ours/" + size).c_str(), ours, w, h));
        setup(benchmark::RegisterBenchmark(("scalar_reference/" + size).c_str(), onPath, w, h,
                                           ConvertPath::Portable));
        setup(benchmark::RegisterBenchmark(("libyuv_I422ToRGB24/" + size).c_str(), peer, w, h));
        setup(benchmark::RegisterBenchmark(("memcpy_floor/" + size).c_str(), floorCopy, w, h));
        for (ConvertPath path : lumoset::supportedConvertPaths())
            if (path != ConvertPath::Portable)
                setup(benchmark::RegisterBenchmark(
                    ("path_" + std::string(lumoset::convertPathName(path)) + "/" + size).c_str(),
                    onPath, w, h, path));
    }
}

// Prints as usual and keeps each benchmark's median time.
class MedianKeeper : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
            else if (run.run_type == Run::RT_Iteration && !medians.count(run.run_name.function_name))
                single[run.run_name.function_name] = run.GetAdjustedRealTime();
    }

    // Median when repeated, else the one run.
    double time(const std::string& name) const
    {
        if (auto it = medians.find(name); it != medians.end())
            return it->second;
        auto it = single.find(name);
        return it == single.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> medians, single;
};

bool summarise(const MedianKeeper& times, int w, int h)
{
    const std::string size = sizeName(w, h);
    const double us = times.time("ours/" + size);
    const double reference = times.time("scalar_reference/" + size);
    const double peerTime = times.time("libyuv_I422ToRGB24/" + size);
    const double floorTime = times.time("memcpy_floor/" + size);
    if (us <= 0 || peerTime <= 0 || floorTime <= 0)
        return true; // filtered out
    const double speedup = peerTime / us;
    const double timesFloor = us / floorTime;
    std::printf("\n%s colour frame (%s path), median microseconds:\n", size.c_str(),
                lumoset::convertPathName(lumoset::activeConvertPath()));
    std::printf("  ours              %8.2f\n", us);
    std::printf("  scalar reference  %8.2f\n", reference);
    std::printf("  libyuv I422ToRGB24%8.2f\n", peerTime);
    std::printf("  memcpy floor      %8.2f\n", floorTime);
    const bool speedOk = speedup >= kGoalSpeedupOverPeer;
    const bool floorOk = timesFloor <= kGoalTimesFloor;
    std::printf("  libyuv / ours  = %.2fx  (goal >= %.1fx: %s)\n", speedup, kGoalSpeedupOverPeer,
                speedOk ? "met" : "NOT met");
    std::printf("  ours / memcpy  = %.2fx  (goal <= %.1fx: %s)\n", timesFloor, kGoalTimesFloor,
                floorOk ? "met" : "NOT met");
    return speedOk && floorOk;
}

} // namespace

int main(int argc, char** argv)
{
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    MedianKeeper reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    summarise(reporter, 496, 240);
    summarise(reporter, 320, 240);
    std::printf("\n(the goals are set for the 496 x 240 frame on processors with AVX-512 VBMI)\n");
    return 0;
}
