#include "platform/vfw/capture_engine.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace platform::vfw {

namespace {

using Clock = std::chrono::steady_clock;

// What a driver reports before anyone changes the parameters.
CaptureParms defaultParms()
{
    CaptureParms p{};
    p.dwRequestMicroSecPerFrame = 66667;
    p.fMakeUserHitOKToCapture = 1;
    p.wPercentDropForError = 10;
    p.dwIndexSize = 34952;
    p.wNumVideoRequested = 32;
    p.wNumAudioRequested = 4;
    p.vKeyAbort = 0x1B;
    p.fAbortLeftMouse = 1;
    p.fAbortRightMouse = 1;
    p.wStepCaptureAverageFrames = 3;
    p.AVStreamMaster = kAvStreamMasterAudio;
    return p;
}

WaveFormatEx defaultAudioFormat()
{
    return WaveFormatEx{kWaveFormatPcm, 1, 11025, 11025, 1, 8, 0};
}

constexpr std::uint32_t kSingleFrameTimeoutMs = 2000;
// A sequence waits this long for a frame beyond the frame interval before
// it takes the camera as lost.
constexpr std::uint32_t kSequenceGrabGraceMs = 2000;
// Sound is taken from the device in pieces of up to a quarter second.
constexpr std::uint32_t kAudioReadMs = 250;

bool validAudioFormat(const WaveFormatEx& w)
{
    return w.wFormatTag == kWaveFormatPcm && w.nChannels >= 1 && w.nChannels <= 2 &&
           (w.wBitsPerSample == 8 || w.wBitsPerSample == 16) &&
           w.nBlockAlign == w.nChannels * w.wBitsPerSample / 8 && w.nSamplesPerSec >= 1000 &&
           w.nSamplesPerSec <= 192000 && w.nAvgBytesPerSec == w.nSamplesPerSec * w.nBlockAlign;
}

} // namespace

CaptureEngine::CaptureEngine(AudioSourceFactory audioSources, NoticeHandler onNotice)
    : audioSources_(std::move(audioSources)), onNotice_(std::move(onNotice)), parms_(defaultParms()),
      audioFormat_(defaultAudioFormat())
{
}

CaptureEngine::~CaptureEngine()
{
    disconnect();
}

void CaptureEngine::notice(CaptureNotice n)
{
    if (onNotice_)
        onNotice_(n);
}

bool CaptureEngine::connect(int index)
{
    disconnect();
    auto library = DriverLibrary::loadIndex(index, &lastError_);
    if (!library)
        return false;
    void* driver = library->api().open();
    if (driver == nullptr) {
        lastError_ = "the capture driver cannot reach the camera";
        return false;
    }
    VfwVideoFormat format{};
    AviVideoFormat check{};
    if (library->api().videoFormat(driver, &format) == 1) {
        check = AviVideoFormat{format.width, format.height, format.bitsPerPixel, 1};
    }
    const std::uint32_t bytes = dibFrameBytes(check);
    if (bytes == 0 || format.frameBytes != bytes) {
        library->api().close(driver);
        lastError_ = "the capture driver reports a format it cannot deliver";
        return false;
    }
    library_ = std::move(library);
    driver_ = driver;
    driverIndex_ = index;
    format_ = format;
    frame_.assign(bytes, 0);
    parms_ = defaultParms();
    return true;
}

void CaptureEngine::disconnect()
{
    stop();
    singleFrameClose();
    if (driver_ != nullptr)
        library_->api().close(driver_);
    driver_ = nullptr;
    library_.reset();
    driverIndex_ = -1;
}

CapDriverCaps CaptureEngine::driverCaps() const
{
    CapDriverCaps caps{};
    caps.wDeviceIndex = driverIndex_ < 0 ? 0 : static_cast<std::uint32_t>(driverIndex_);
    caps.fCaptureInitialized = connected() ? 1 : 0;
    return caps;
}

CapStatus CaptureEngine::status() const
{
    CapStatus s{};
    s.uiImageWidth = static_cast<std::uint32_t>(format_.width);
    s.uiImageHeight = static_cast<std::uint32_t>(format_.height);
    s.fUsingDefaultPalette = 1;
    s.fAudioHardware = audioHardware_.load() ? 1 : 0;
    std::error_code ec;
    s.fCapFileExists = !captureFile_.empty() && std::filesystem::exists(captureFile_, ec) ? 1 : 0;
    s.dwCurrentVideoFrame = framesWritten_.load();
    s.dwCurrentVideoFramesDropped = framesDropped_.load();
    s.dwCurrentWaveSamples = audioFormat_.nBlockAlign != 0
                                 ? static_cast<std::uint32_t>(audioBytes_.load() / audioFormat_.nBlockAlign)
                                 : 0;
    s.dwCurrentTimeElapsedMS = elapsedMs_.load();
    s.fCapturingNow = capturing_.load() || singleFrameOpen_ ? 1 : 0;
    s.wNumVideoAllocated = parms_.wNumVideoRequested;
    s.wNumAudioAllocated = parms_.fCaptureAudio ? parms_.wNumAudioRequested : 0;
    return s;
}

CaptureParms CaptureEngine::sequenceSetup() const
{
    return parms_;
}

bool CaptureEngine::setSequenceSetup(const CaptureParms& parms)
{
    if (capturing_.load() || parms.dwRequestMicroSecPerFrame == 0)
        return false;
    parms_ = parms;
    return true;
}

WaveFormatEx CaptureEngine::audioFormat() const
{
    return audioFormat_;
}

bool CaptureEngine::setAudioFormat(const WaveFormatEx& format)
{
    if (capturing_.load() || !validAudioFormat(format))
        return false;
    audioFormat_ = format;
    audioFormat_.cbSize = 0;
    return true;
}

bool CaptureEngine::setCaptureFile(const std::string& path)
{
    if (capturing_.load() || singleFrameOpen_ || path.empty())
        return false;
    captureFile_ = path;
    return true;
}

bool CaptureEngine::openWriter(bool withAudio, std::unique_ptr<AudioSource>* audio)
{
    framesWritten_ = 0;
    framesDropped_ = 0;
    framesGrabbed_ = 0;
    audioBytes_ = 0;
    elapsedMs_ = 0;
    if (withAudio && audio != nullptr) {
        std::string why;
        *audio = audioSources_ ? audioSources_() : nullptr;
        audioHardware_ = *audio && (*audio)->start(audioFormat_, &why);
        if (!audioHardware_.load()) {
            audio->reset();
            notice(CaptureNotice::NoAudioDevice);
        } else {
            audioBuffer_.assign(static_cast<std::size_t>(audioFormat_.nAvgBytesPerSec) * kAudioReadMs / 1000 +
                                    audioFormat_.nBlockAlign,
                                0);
        }
    }
    const AviVideoFormat video{format_.width, format_.height, format_.bitsPerPixel, parms_.dwRequestMicroSecPerFrame};
    const bool sound = audio != nullptr && *audio != nullptr;
    if (!writer_.open(captureFile_, video, sound ? &audioFormat_ : nullptr, segmentLimit_)) {
        lastError_ = writer_.error();
        if (sound)
            (*audio)->stop();
        return false;
    }
    return true;
}

bool CaptureEngine::startSequence()
{
    if (!connected() || capturing_.load() || singleFrameOpen_ || captureFile_.empty())
        return false;
    joinSequence();
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = false;
    }
    capturing_ = true;
    sequence_ = std::thread([this] { runSequence(); });
    return true;
}

void CaptureEngine::drainAudio(AudioSource& source)
{
    for (;;) {
        const long got = source.read(audioBuffer_.data(), audioBuffer_.size(), 0);
        if (got <= 0)
            return;
        if (!writer_.writeAudio(std::span<const std::uint8_t>(audioBuffer_.data(), static_cast<std::size_t>(got))))
            return;
        audioBytes_ += static_cast<std::uint64_t>(got);
    }
}

void CaptureEngine::runSequence()
{
    std::unique_ptr<AudioSource> audio;
    if (!openWriter(parms_.fCaptureAudio != 0, &audio)) {
        notice(CaptureNotice::WriteFailed);
        capturing_ = false;
        notice(CaptureNotice::SequenceEnded);
        return;
    }
    const VfwDriverApi& api = library_->api();
    const auto interval = std::chrono::microseconds(parms_.dwRequestMicroSecPerFrame);
    const std::uint64_t limitFrames =
        parms_.fLimitEnabled != 0
            ? (static_cast<std::uint64_t>(parms_.wTimeLimit) * 1000000u + parms_.dwRequestMicroSecPerFrame / 2) /
                  parms_.dwRequestMicroSecPerFrame
            : UINT64_MAX;
    const auto grabTimeout = static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(interval).count() + kSequenceGrabGraceMs);
    const Clock::time_point start = Clock::now();
    std::uint64_t slot = 0;
    bool writeFailed = false;
    bool lost = false;
    while (slot < limitFrames) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait_until(lock, start + slot * interval, [&] { return stopRequested_; });
            if (stopRequested_)
                break;
        }
        if (audio)
            drainAudio(*audio);
        if (api.running(driver_) != 1)
            break;
        const int got = api.grabFrame(driver_, frame_.data(), frame_.size(), grabTimeout);
        if (got != LUMO_VFW_FRAME) {
            lost = got != LUMO_VFW_STOPPED;
            break;
        }
        ++framesGrabbed_;
        // The frame stands for the interval it arrived in; intervals it came
        // too late for get it too.
        const auto now = Clock::now();
        const std::uint64_t arrivedIn = static_cast<std::uint64_t>((now - start) / interval);
        const std::uint64_t last = std::min(std::max(arrivedIn, slot), limitFrames - 1);
        for (; slot <= last; ++slot) {
            if (!writer_.writeVideo(frame_)) {
                writeFailed = true;
                break;
            }
            ++framesWritten_;
            if (slot != last)
                ++framesDropped_;
        }
        elapsedMs_ = static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count());
        if (writeFailed)
            break;
    }
    if (audio) {
        if (!writeFailed)
            drainAudio(*audio);
        audio->stop();
    }
    if (!writer_.close() && !writeFailed)
        writeFailed = true;
    if (writeFailed)
        lastError_ = writer_.error();
    if (lost)
        notice(CaptureNotice::CameraLost);
    if (writeFailed)
        notice(CaptureNotice::WriteFailed);
    capturing_ = false;
    notice(CaptureNotice::SequenceEnded);
}

void CaptureEngine::joinSequence()
{
    if (sequence_.joinable())
        sequence_.join();
}

bool CaptureEngine::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    const bool wasRunning = sequence_.joinable();
    joinSequence();
    return wasRunning;
}

bool CaptureEngine::singleFrameOpen()
{
    if (!connected() || capturing_.load() || singleFrameOpen_ || captureFile_.empty())
        return false;
    if (!openWriter(false, nullptr)) {
        notice(CaptureNotice::WriteFailed);
        return false;
    }
    singleFrameOpen_ = true;
    return true;
}

bool CaptureEngine::singleFrame()
{
    if (!singleFrameOpen_)
        return false;
    const int got = library_->api().grabFrame(driver_, frame_.data(), frame_.size(), kSingleFrameTimeoutMs);
    if (got != LUMO_VFW_FRAME) {
        if (got != LUMO_VFW_STOPPED)
            notice(CaptureNotice::CameraLost);
        return false;
    }
    ++framesGrabbed_;
    if (!writer_.writeVideo(frame_)) {
        lastError_ = writer_.error();
        notice(CaptureNotice::WriteFailed);
        return false;
    }
    ++framesWritten_;
    return true;
}

bool CaptureEngine::singleFrameClose()
{
    if (!singleFrameOpen_)
        return false;
    singleFrameOpen_ = false;
    if (!writer_.close()) {
        lastError_ = writer_.error();
        notice(CaptureNotice::WriteFailed);
        return false;
    }
    return true;
}

bool CaptureEngine::previewFrame(std::vector<std::uint8_t>& pixels, VfwVideoFormat& format, std::uint32_t timeoutMs)
{
    if (!connected() || capturing_.load())
        return false;
    if (library_->api().grabFrame(driver_, frame_.data(), frame_.size(), timeoutMs) != LUMO_VFW_FRAME)
        return false;
    pixels.assign(frame_.begin(), frame_.end());
    format = format_;
    return true;
}

} // namespace platform::vfw
