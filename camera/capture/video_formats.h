#pragma once
// Numbers of a recording: frame rates by video size and quality, the three
// sound formats, the capture parameters the capture window is given, and
// the hand-over keys the capture driver reads.

#include "camera/core/camera_settings.h"
#include "platform/vfw/capture_messages.h"

#include <array>
#include <cstdint>

namespace lumoset {

struct VideoSize {
    int width;
    int height;
};
inline constexpr std::array<VideoSize, 4> kVideoSizes{{{160, 120}, {176, 144}, {320, 240}, {352, 288}}};

// Frames per second: rows by video size, columns by quality 0, 1, 2.
inline constexpr std::array<std::array<int, 3>, 4> kVideoFrameRates{{
    {5, 7, 9},
    {4, 6, 8},
    {2, 3, 4},
    {2, 2, 3},
}};

// PCM sound by soundQuality: telephone, radio, CD.
struct SoundFormat {
    std::uint32_t samplesPerSecond;
    std::uint16_t channels;
    std::uint16_t bitsPerSample;
};
inline constexpr std::array<SoundFormat, 3> kSoundFormats{{
    {11025, 1, 8},
    {22050, 1, 8},
    {44100, 2, 16},
}};

// The values the recording sets in the capture parameters.
inline constexpr std::uint32_t kPercentDropForError = 10;

// An index outside its table takes the nearest row or column.
int videoFrameRate(int videoSize, int quality);
VideoSize videoSizeOf(int videoSize);
// trunc(1,000,000 / rate + 0.5).
std::uint32_t microSecondsPerFrame(int frameRate);
// The 18-byte wave format of soundQuality (format tag PCM, extra size 0).
platform::vfw::WaveFormatEx waveFormatOf(int soundQuality);
// The parameters the driver reported, changed for a recording of
// `stopAfterSec` seconds at `frameRate`; fields not named keep their values.
platform::vfw::CaptureParms recordingParms(const platform::vfw::CaptureParms& reported, int frameRate,
                                           long long stopAfterSec, bool sound);
DriverHandOver driverHandOver(bool colour, bool zoomed, int quality, int videoSize, long long stopAfterSec);

} // namespace lumoset
