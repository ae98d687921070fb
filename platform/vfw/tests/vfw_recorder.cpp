// Records from capture driver 0 in a process of its own:
//   vfw_recorder FILE SECONDS MICROSECONDS_PER_FRAME
// and prints "frames N" each time the count of frames in the file grows, so
// a test can kill it at a known point.
#include "platform/vfw/capture_engine.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    platform::vfw::CaptureEngine engine(platform::vfw::AudioSourceFactory{}, nullptr);
    if (!engine.connect(0)) {
        std::fprintf(stderr, "%s\n", engine.lastError().c_str());
        return 1;
    }
    auto parms = engine.sequenceSetup();
    parms.dwRequestMicroSecPerFrame = static_cast<std::uint32_t>(std::atoi(argv[3]));
    parms.fLimitEnabled = 1;
    parms.wTimeLimit = static_cast<std::uint32_t>(std::atoi(argv[2]));
    parms.fCaptureAudio = 0;
    if (!engine.setSequenceSetup(parms) || !engine.setCaptureFile(argv[1]) || !engine.startSequence())
        return 1;
    std::uint32_t shown = 0;
    while (engine.sequenceRunning()) {
        const std::uint32_t now = engine.framesWritten();
        if (now != shown) {
            shown = now;
            std::printf("frames %u\n", shown);
            std::fflush(stdout);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    engine.stop();
    return 0;
}
