#include "camera/capture/video_formats.h"

#include <algorithm>
#include <limits>

namespace lumoset {

namespace {

std::size_t nearest(int index, std::size_t count)
{
    return static_cast<std::size_t>(std::clamp(index, 0, static_cast<int>(count) - 1));
}

// Stored as 32-bit fields: a longer recording is cut at what they hold.
std::uint32_t field(long long value)
{
    return static_cast<std::uint32_t>(std::clamp<long long>(value, 0, std::numeric_limits<std::uint32_t>::max()));
}

} // namespace

int videoFrameRate(int videoSize, int quality)
{
    return kVideoFrameRates[nearest(videoSize, kVideoFrameRates.size())][nearest(quality, 3)];
}

VideoSize videoSizeOf(int videoSize)
{
    return kVideoSizes[nearest(videoSize, kVideoSizes.size())];
}

std::uint32_t microSecondsPerFrame(int frameRate)
{
    if (frameRate <= 0)
        return 0;
    return static_cast<std::uint32_t>(1000000.0 / frameRate + 0.5);
}

platform::vfw::WaveFormatEx waveFormatOf(int soundQuality)
{
    const SoundFormat& s = kSoundFormats[nearest(soundQuality, kSoundFormats.size())];
    platform::vfw::WaveFormatEx w{};
    w.wFormatTag = platform::vfw::kWaveFormatPcm;
    w.nChannels = s.channels;
    w.nSamplesPerSec = s.samplesPerSecond;
    w.nBlockAlign = static_cast<std::uint16_t>(s.channels * s.bitsPerSample / 8);
    w.nAvgBytesPerSec = w.nBlockAlign * s.samplesPerSecond;
    w.wBitsPerSample = s.bitsPerSample;
    w.cbSize = 0;
    return w;
}

platform::vfw::CaptureParms recordingParms(const platform::vfw::CaptureParms& reported, int frameRate,
                                           long long stopAfterSec, bool sound)
{
    platform::vfw::CaptureParms p = reported;
    const auto rate = static_cast<std::uint32_t>(std::max(frameRate, 0));
    p.dwRequestMicroSecPerFrame = microSecondsPerFrame(frameRate);
    p.fMakeUserHitOKToCapture = 0;
    p.wPercentDropForError = kPercentDropForError;
    p.fYield = 1;
    p.dwIndexSize = 0;
    p.wChunkGranularity = 0;
    p.wNumVideoRequested = field(static_cast<long long>(rate) * stopAfterSec);
    p.fCaptureAudio = sound ? 1 : 0;
    p.wNumAudioRequested = sound ? rate : 0;
    p.fAbortLeftMouse = 0;
    p.fAbortRightMouse = 0;
    p.fLimitEnabled = 1;
    p.wTimeLimit = field(stopAfterSec);
    p.fMCIControl = 0;
    p.wStepCaptureAverageFrames = rate;
    p.dwAudioBufferSize = 0;
    p.AVStreamMaster = sound ? platform::vfw::kAvStreamMasterAudio : platform::vfw::kAvStreamMasterNone;
    return p;
}

DriverHandOver driverHandOver(bool colour, bool zoomed, int quality, int videoSize, long long stopAfterSec)
{
    const VideoSize size = videoSizeOf(videoSize);
    DriverHandOver h;
    h.colour = colour;
    h.zoomed = zoomed;
    h.quality = quality;
    h.width = size.width;
    h.height = size.height;
    h.frameRate = videoFrameRate(videoSize, quality);
    h.frames = static_cast<int>(std::clamp<long long>(h.frameRate * stopAfterSec, 0, std::numeric_limits<int>::max()));
    return h;
}

} // namespace lumoset
