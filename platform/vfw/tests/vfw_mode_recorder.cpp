// Records from capture driver 0 in a process of its own, the way each of the
// camera program's recording modes drives the capture service:
//   vfw_mode_recorder continuous FILE   a timed sequence at 5 frames a second with sound
//   vfw_mode_recorder timelapse FILE    single frames on a steady 150 ms beat
//   vfw_mode_recorder manual FILE SEED  single frames at irregular moments
// It prints "frames N" each time the count of frames in the file grows and
// runs until it is killed (or the 100 s sequence limit), so a test can kill
// it anywhere in a recording.
#include "platform/vfw/capture_engine.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>

namespace {

using namespace platform::vfw;
using std::chrono::milliseconds;

constexpr std::uint32_t kSequenceMicrosecondsPerFrame = 200000;
constexpr std::uint32_t kSequenceLimitSeconds = 100;
constexpr int kTimeLapseBeatMs = 150;
constexpr int kManualMinGapMs = 10;
constexpr int kManualMaxGapMs = 250;
constexpr int kMaxSingleFrames = 2000;

void report(std::uint32_t frames)
{
    std::printf("frames %u\n", frames);
    std::fflush(stdout);
}

int recordSequence(CaptureEngine& engine)
{
    auto parms = engine.sequenceSetup();
    parms.dwRequestMicroSecPerFrame = kSequenceMicrosecondsPerFrame;
    parms.fLimitEnabled = 1;
    parms.wTimeLimit = kSequenceLimitSeconds;
    parms.fCaptureAudio = 1;
    // The engine's default sound format (PCM) from the generated tone.
    if (!engine.setSequenceSetup(parms) || !engine.startSequence())
        return 1;
    std::uint32_t shown = 0;
    while (engine.sequenceRunning()) {
        const std::uint32_t now = engine.framesWritten();
        if (now != shown)
            report(shown = now);
        std::this_thread::sleep_for(milliseconds(2));
    }
    engine.stop();
    return 0;
}

int recordSingleFrames(CaptureEngine& engine, bool steadyBeat, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> gap(kManualMinGapMs, kManualMaxGapMs);
    if (!engine.singleFrameOpen())
        return 1;
    for (int n = 0; n < kMaxSingleFrames; ++n) {
        if (!engine.singleFrame())
            return 1;
        report(engine.framesWritten());
        std::this_thread::sleep_for(milliseconds(steadyBeat ? kTimeLapseBeatMs : gap(random)));
    }
    return engine.singleFrameClose() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const bool continuous = std::strcmp(argv[1], "continuous") == 0;
    const bool timeLapse = std::strcmp(argv[1], "timelapse") == 0;
    const bool manual = std::strcmp(argv[1], "manual") == 0;
    if (!continuous && !timeLapse && !manual)
        return 2;
    CaptureEngine engine([] { return makeToneAudioSource(); }, nullptr);
    if (!engine.connect(0)) {
        std::fprintf(stderr, "%s\n", engine.lastError().c_str());
        return 1;
    }
    if (!engine.setCaptureFile(argv[2]))
        return 1;
    if (continuous)
        return recordSequence(engine);
    const unsigned seed = argc > 3 ? static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)) : 1u;
    return recordSingleFrames(engine, timeLapse, seed);
}
