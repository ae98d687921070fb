#include "platform/vfw/audio_source.h"

#include <alsa/asoundlib.h>

#include <cerrno>

namespace platform::vfw {

namespace {

// ALSA keeps this much sound while the capture thread writes video.
constexpr unsigned kBufferMicroseconds = 2000000;

class AlsaAudioSource final : public AudioSource {
public:
    explicit AlsaAudioSource(std::string device) : device_(std::move(device)) {}
    ~AlsaAudioSource() override { stop(); }

    bool start(const WaveFormatEx& format, std::string* error) override
    {
        stop();
        auto failWith = [&](const std::string& what, int code) {
            if (error != nullptr)
                *error = what + ": " + snd_strerror(code);
            stop();
            return false;
        };
        if (format.wFormatTag != kWaveFormatPcm || format.nBlockAlign == 0 ||
            (format.wBitsPerSample != 8 && format.wBitsPerSample != 16))
            return failWith("unsupported sound format", -EINVAL);
        int rc = snd_pcm_open(&pcm_, device_.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
        if (rc < 0) {
            pcm_ = nullptr;
            return failWith("no capture device", rc);
        }
        rc = snd_pcm_set_params(pcm_, format.wBitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE,
                                SND_PCM_ACCESS_RW_INTERLEAVED, format.nChannels, format.nSamplesPerSec, 1,
                                kBufferMicroseconds);
        if (rc < 0)
            return failWith("capture device refuses the format", rc);
        rc = snd_pcm_start(pcm_);
        if (rc < 0)
            return failWith("capture device does not start", rc);
        blockAlign_ = format.nBlockAlign;
        return true;
    }

    long read(std::uint8_t* buffer, std::size_t size, int timeoutMs) override
    {
        if (pcm_ == nullptr)
            return -1;
        const auto frames = static_cast<snd_pcm_uframes_t>(size / blockAlign_);
        if (frames == 0)
            return 0;
        if (timeoutMs > 0)
            snd_pcm_wait(pcm_, timeoutMs);
        snd_pcm_sframes_t got = snd_pcm_readi(pcm_, buffer, frames);
        if (got == -EAGAIN)
            return 0;
        if (got == -EPIPE || got == -ESTRPIPE) {
            // Overrun: the gap is lost, the recording goes on.
            if (snd_pcm_recover(pcm_, static_cast<int>(got), 1) < 0 || snd_pcm_start(pcm_) < 0)
                return -1;
            return 0;
        }
        if (got < 0)
            return -1;
        return static_cast<long>(got) * blockAlign_;
    }

    void stop() override
    {
        if (pcm_ != nullptr) {
            snd_pcm_close(pcm_);
            pcm_ = nullptr;
        }
    }

private:
    std::string device_;
    snd_pcm_t* pcm_ = nullptr;
    unsigned blockAlign_ = 1;
};

} // namespace

std::unique_ptr<AudioSource> makeAlsaAudioSource(std::string device)
{
    return std::make_unique<AlsaAudioSource>(std::move(device));
}

} // namespace platform::vfw
