#include "platform/vfw/audio_source.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

namespace platform::vfw {

namespace {

// Samples appear at the format's rate as real time passes, like a device's.
class ToneAudioSource final : public AudioSource {
public:
    explicit ToneAudioSource(double hertz) : hertz_(hertz) {}

    bool start(const WaveFormatEx& format, std::string* error) override
    {
        if (format.wFormatTag != kWaveFormatPcm || format.nChannels == 0 || format.nSamplesPerSec == 0 ||
            (format.wBitsPerSample != 8 && format.wBitsPerSample != 16) ||
            format.nBlockAlign != format.nChannels * format.wBitsPerSample / 8) {
            if (error != nullptr)
                *error = "unsupported sound format";
            return false;
        }
        format_ = format;
        started_ = std::chrono::steady_clock::now();
        delivered_ = 0;
        running_ = true;
        return true;
    }

    long read(std::uint8_t* buffer, std::size_t size, int timeoutMs) override
    {
        if (!running_)
            return -1;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        std::uint64_t due = dueSamples();
        while (due == delivered_ && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            due = dueSamples();
        }
        const std::uint64_t room = size / format_.nBlockAlign;
        const std::uint64_t count = std::min(due - delivered_, room);
        for (std::uint64_t i = 0; i < count; ++i) {
            const double t = static_cast<double>(delivered_ + i) / format_.nSamplesPerSec;
            const double s = 0.25 * std::sin(2 * std::numbers::pi * hertz_ * t);
            std::uint8_t* out = buffer + i * format_.nBlockAlign;
            for (unsigned c = 0; c < format_.nChannels; ++c) {
                if (format_.wBitsPerSample == 8) {
                    *out++ = static_cast<std::uint8_t>(std::lround(128 + 127 * s));
                } else {
                    const auto v = static_cast<std::int16_t>(std::lround(32767 * s));
                    *out++ = static_cast<std::uint8_t>(v);
                    *out++ = static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8);
                }
            }
        }
        delivered_ += count;
        return static_cast<long>(count * format_.nBlockAlign);
    }

    void stop() override { running_ = false; }

private:
    std::uint64_t dueSamples() const
    {
        const auto elapsed = std::chrono::steady_clock::now() - started_;
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()) *
               format_.nSamplesPerSec / 1000000u;
    }

    double hertz_;
    WaveFormatEx format_{};
    std::chrono::steady_clock::time_point started_;
    std::uint64_t delivered_ = 0;
    bool running_ = false;
};

} // namespace

std::unique_ptr<AudioSource> makeToneAudioSource(double hertz)
{
    return std::make_unique<ToneAudioSource>(hertz);
}

} // namespace platform::vfw
