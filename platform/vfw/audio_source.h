#pragma once
// Where a recording's sound comes from: the system's default capture device
// through ALSA, or a generated tone (tests, and machines without sound
// hardware that still want a sound track to check).

#include "platform/vfw/capture_messages.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform::vfw {

class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Starts capturing PCM in `format`; false with the reason in `error`
    // when there is no device or it does not take the format.
    virtual bool start(const WaveFormatEx& format, std::string* error) = 0;
    // Captured bytes (whole sample blocks) into `buffer`, waiting at most
    // `timeoutMs` for the first; 0 when none came, -1 when the device failed.
    virtual long read(std::uint8_t* buffer, std::size_t size, int timeoutMs) = 0;
    virtual void stop() = 0;
};

using AudioSourceFactory = std::function<std::unique_ptr<AudioSource>()>;

// The default capture device ("default" of ALSA unless `device` names another).
std::unique_ptr<AudioSource> makeAlsaAudioSource(std::string device = "default");
// A sine tone of `hertz` at a quarter of full scale, delivered in real time.
std::unique_ptr<AudioSource> makeToneAudioSource(double hertz = 440.0);

} // namespace platform::vfw
