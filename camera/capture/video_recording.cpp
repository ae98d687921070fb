#include "camera/capture/video_recording.h"

#include "camera/capture/video_formats.h"
#include "platform/ui/window_message.h"
#include "platform/vfw/driver_list.h"

#include <QMetaObject>
#include <QWidget>

#include <algorithm>
#include <filesystem>
#include <limits>

namespace lumoset {

namespace vfw = platform::vfw;

namespace {

template <typename Record>
std::intptr_t addressOf(Record& record)
{
    return reinterpret_cast<std::intptr_t>(&record);
}

} // namespace

VideoRecording::VideoRecording(VideoHost& host, PhotoCapture& photo, const CameraSettings& settings,
                               platform::clock::Clock& clock, vfw::CaptureServices services)
    : host_(host), photo_(photo), settings_(settings), clock_(clock), services_(std::move(services)),
      postbox_(std::make_unique<QObject>())
{
}

VideoRecording::~VideoRecording()
{
    destroyWindow();
}

std::intptr_t VideoRecording::send(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    // A null pointer once the window is gone: the message is ignored.
    return platform::ui::sendMessage(window_.data(), message, wParam, lParam);
}

std::uint32_t VideoRecording::framesWritten() const
{
    return window_ ? window_->engine().framesWritten() : lastFramesWritten_;
}

void VideoRecording::destroyWindow()
{
    if (!window_)
        return;
    lastFramesWritten_ = window_->engine().framesWritten();
    delete window_.data();
}

void VideoRecording::restoreIdleButtons()
{
    host_.enableButton(RecordingButton::TakePicture, true);
    host_.enableButton(RecordingButton::Print, true);
    host_.enableButton(RecordingButton::Record, true);
    host_.enableButton(RecordingButton::Stop, false);
}

bool VideoRecording::createCaptureWindow(int left, int top, int right, int bottom)
{
    host_.enableButton(RecordingButton::Print, false);
    host_.enableButton(RecordingButton::TakePicture, false);
    host_.enableButton(RecordingButton::Stop, true);

    const CapturedSettings& s = host_.capturedSettings();
    mode_ = s.videoType;
    const int quality = host_.quality();
    const int rate = videoFrameRate(s.videoSize, quality);
    settings_.writeDriverHandOver(driverHandOver(host_.colourMode(), !host_.normalZoom(), quality, s.videoSize,
                                                 s.stopAfterSec));

    vfw::CaptureServices services = services_;
    services.onNotice = [this](vfw::CaptureNotice notice) { onNotice(notice); };
    window_ = vfw::createCaptureWindow(host_.mainWindow(), kCaptureWindowId, QRect(left, top, right - left, bottom - top),
                                       mode_ != kVideoContinuous, std::move(services));
    if (!window_)
        return false;

    // Only the first driver that describes itself is tried.
    int driver = -1;
    for (int index = 0; index <= kLastDriverIndex && driver < 0; ++index) {
        if (vfw::driverDescription(index))
            driver = index;
    }
    if (driver < 0 || send(vfw::kWmCapDriverConnect, static_cast<std::uintptr_t>(driver)) != vfw::kCapTrue) {
        destroyWindow();
        return false;
    }

    vfw::CapDriverCaps caps{};
    send(vfw::kWmCapDriverGetCaps, sizeof caps, addressOf(caps));
    vfw::CapStatus status{};
    send(vfw::kWmCapGetStatus, sizeof status, addressOf(status));
    vfw::CaptureParms parms{};
    send(vfw::kWmCapGetSequenceSetup, sizeof parms, addressOf(parms));
    parms = recordingParms(parms, rate, s.stopAfterSec, s.recordSound != 0);
    send(vfw::kWmCapSetSequenceSetup, sizeof parms, addressOf(parms));

    if (mode_ != kVideoContinuous) {
        send(vfw::kWmCapSetPreviewRate, kCapturePreviewRateMs);
        send(vfw::kWmCapSetScale, 1);
        send(vfw::kWmCapSetPreview, 1);
    }
    if (s.recordSound != 0) {
        vfw::WaveFormatEx wave = waveFormatOf(s.soundQuality);
        send(vfw::kWmCapSetAudioFormat, sizeof wave, addressOf(wave));
    }

    ++host_.videoCount();
    fileName_ = host_.aviFolder() + "/CAP" + std::to_string(host_.videoCount()) + ".avi";
    send(vfw::kWmCapFileSetCaptureFileA, 0, reinterpret_cast<std::intptr_t>(fileName_.c_str()));
    return true;
}

void VideoRecording::startSequence()
{
    lastFramesWritten_ = 0;
    send(vfw::kWmCapSequence);
}

void VideoRecording::record()
{
    VideoControllerState& state = host_.videoState();
    // Record is disabled while a continuous or time-lapse recording runs;
    // a press that gets through anyway must not make a second capture window.
    if (state.recording && mode_ != kVideoManual)
        return;
    if (host_.videoAlbumFull())
        return;
    if (host_.freeDiskBytes() < kVideoMinFreeBytes) {
        host_.stopPreviewTimer();
        host_.showMessage(kStrInsufficientDiskSpace);
        host_.startPreviewTimer();
        return;
    }
    const CapturedSettings& s = host_.capturedSettings();
    const bool fresh = state.captureWindowFresh;
    if (fresh) {
        deviceSearchFailed_ = false;
        cutShortTold_ = false;
        noSoundTold_ = false;
        host_.closeCamera();
        const QRect preview = host_.previewRect();
        state.recording = createCaptureWindow(preview.left(), preview.top(), preview.left() + preview.width(),
                                              preview.top() + preview.height());
        if (!state.recording) {
            // Nothing records: the picture comes back and the user learns why.
            restoreIdleButtons();
            host_.startCamera();
            host_.showMessage(kStrCaptureWindowFailed);
            return;
        }
    }
    if (!state.recording)
        return;

    state.busy = true;
    host_.setActivityLamp(true);
    host_.redrawSkin();
    host_.enableButton(RecordingButton::Stop, true);
    host_.setRecordLamp(RecordLamp::Recording);

    switch (mode_) {
    case kVideoContinuous:
        host_.enableButton(RecordingButton::Record, false);
        startSequence();
        host_.startTimer(kRecordTickTimer, kRecordTickContinuousMs);
        state.ticksLeft = s.stopAfterSec;
        host_.startProgress(s.stopAfterSec);
        break;
    case kVideoTimeLapse: {
        host_.enableButton(RecordingButton::Record, false);
        host_.repaintPreview();
        send(vfw::kWmCapSingleFrameOpen);
        const long long interval = std::max<long long>(s.frameIntervalSec, 1);
        host_.startTimer(kRecordTickTimer,
                         static_cast<int>(std::min<long long>(interval * 1000, std::numeric_limits<int>::max())));
        state.ticksLeft = s.stopAfterSec / interval;
        host_.startProgress(s.stopAfterSec);
        break;
    }
    default:  // manual: one frame per press, Record stays enabled
        if (fresh) {
            host_.repaintPreview();
            send(vfw::kWmCapSingleFrameOpen);
            state.captureWindowFresh = false;
        }
        send(vfw::kWmCapSingleFrame);
        break;
    }
}

void VideoRecording::onRecordTick()
{
    VideoControllerState& state = host_.videoState();
    if (!state.recording) {
        host_.stopTimer(kRecordTickTimer);
        return;
    }
    if (state.ticksLeft > 0) {
        if (mode_ == kVideoTimeLapse) {
            host_.setRecordLamp(RecordLamp::Frame);
            send(vfw::kWmCapSingleFrame);
            clock_.sleepFor(kFrameLampTime);
            host_.setRecordLamp(RecordLamp::Recording);
        }
        --state.ticksLeft;
        return;
    }
    stopRecording();
}

bool VideoRecording::searchCameraDuringRecording()
{
    // A failed search reports to the main window, which may stop the
    // recording before the search returns: that stop must already know.
    searching_ = true;
    const bool present = host_.searchCamera();
    searching_ = false;
    if (!present)
        deviceSearchFailed_ = true;
    return present;
}

void VideoRecording::stopRecording()
{
    VideoControllerState& state = host_.videoState();
    if (!state.recording)
        return;
    host_.stopProgress();
    state.recording = false;
    state.captureWindowFresh = true;
    if (mode_ != kVideoContinuous)
        send(vfw::kWmCapSingleFrameClose);
    if (mode_ != kVideoManual)
        host_.stopTimer(kRecordTickTimer);
    host_.setActivityLamp(false);
    state.busy = false;
    host_.setRecordLamp(RecordLamp::Idle);
    if (mode_ == kVideoContinuous) {
        settings_.signalDriverStop();
        send(vfw::kWmCapStop);
    }
    send(vfw::kWmCapDriverDisconnect);
    destroyWindow();
    clock_.sleepFor(kCaptureCloseWait);

    host_.startCamera();
    std::error_code ec;
    if (lastFramesWritten_ == 0 && std::filesystem::exists(fileName_, ec)) {
        // Nothing was captured: no clip, no still, no album entry.
        std::filesystem::remove(fileName_, ec);
    }
    if (std::filesystem::exists(fileName_, ec) && !deviceSearchFailed_ && !searching_)
        photo_.takePhoto(PhotoKind::VideoStill);
    restoreIdleButtons();
}

void VideoRecording::onNotice(vfw::CaptureNotice notice)
{
    switch (notice) {
    case vfw::CaptureNotice::NoAudioDevice:
        if (!noSoundTold_) {
            noSoundTold_ = true;
            host_.showMessage(kStrNoSoundDevice);
        }
        break;
    case vfw::CaptureNotice::CameraLost:
    case vfw::CaptureNotice::WriteFailed:
        if (notice == vfw::CaptureNotice::CameraLost)
            deviceSearchFailed_ = true;
        if (!cutShortTold_) {
            cutShortTold_ = true;
            // The file already ends with the frames recorded; end the
            // recording outside the capture window's own event.
            QMetaObject::invokeMethod(postbox_.get(), [this] { stopRecording(); }, Qt::QueuedConnection);
            host_.showMessage(kStrRecordingCutShort);
        }
        break;
    case vfw::CaptureNotice::SequenceEnded:
        break;
    }
}

} // namespace lumoset
