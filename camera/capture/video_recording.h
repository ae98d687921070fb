#pragma once
// Video recording in the camera program: the Record command, the capture
// window it makes and drives through the capture service, the three modes
// (continuous, time lapse, manual) with the record tick (timer 204), and the
// end of every recording: the camera channel reopened, the video still
// taken and the clip added to the video album.
//
// The main window owns the state and the controls and implements VideoHost;
// its command and timer handlers call record(), onRecordTick(),
// searchCameraDuringRecording() and stopRecording().

#include "camera/capture/photo_capture.h"
#include "camera/core/camera_settings.h"
#include "camera/core/captured_settings.h"
#include "platform/clock/clock.h"
#include "platform/vfw/capture_window.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <cstdint>
#include <memory>
#include <string>

class QWidget;

namespace lumoset {

inline constexpr int kRecordTickTimer = 204;
inline constexpr int kRecordTickContinuousMs = 1000;
// The capture window is child 1 of the main window.
inline constexpr int kCaptureWindowId = 1;
inline constexpr int kCapturePreviewRateMs = 66;
inline constexpr int kLastDriverIndex = 9;
inline constexpr int kVideoAlbumCapacity = 50;
// A recording needs this much free space (20 MB).
inline constexpr std::uint64_t kVideoMinFreeBytes = 20ull << 20;
// After the capture window is gone, before the camera is opened again.
inline constexpr platform::clock::Milliseconds kCaptureCloseWait{100};
// How long the record lamp shows a time-lapse frame.
inline constexpr platform::clock::Milliseconds kFrameLampTime{300};
inline constexpr const char* kVideoFileFormat = "/CAP%d.avi";

// Messages a recording can show (string id + language offset).
inline constexpr int kStrCaptureWindowFailed = 10321;  // "The video recorder could not be started..."
inline constexpr int kStrRecordingCutShort = 10322;    // "The recording ended early..."
inline constexpr int kStrNoSoundDevice = 10323;        // "No sound recording device..."

enum class RecordLamp { Idle, Recording, Frame };
enum class RecordingButton { TakePicture, Print, Record, Stop };

// The main window's state a recording reads and writes.
struct VideoControllerState {
    bool recording = false;          // a capture window exists
    bool captureWindowFresh = true;  // the next Record press makes the capture window
    bool busy = false;               // a series or a recording is under way
    long long ticksLeft = 0;         // record ticks still to run
};

// What a recording asks of the main window. Everything is called on the
// window's thread.
class VideoHost {
public:
    virtual ~VideoHost() = default;

    virtual VideoControllerState& videoState() = 0;
    // The last video number used; the same counter photo capture reads for
    // the still (PhotoControllerState::videoCount).
    virtual int& videoCount() = 0;
    virtual const CapturedSettings& capturedSettings() const = 0;
    virtual bool colourMode() const = 0;
    virtual bool normalZoom() const = 0;
    virtual int quality() const = 0;
    virtual std::string aviFolder() const = 0;
    virtual std::uint64_t freeDiskBytes() const = 0;
    // True when the video album holds its 50 items; it has then shown its
    // own message (0x465).
    virtual bool videoAlbumFull() = 0;

    // The main window (parent of the capture window) and the preview
    // rectangle in its coordinates.
    virtual QWidget* mainWindow() = 0;
    virtual QRect previewRect() const = 0;
    virtual void repaintPreview() = 0;
    virtual void startPreviewTimer() = 0;  // timer 201
    virtual void stopPreviewTimer() = 0;
    virtual void startTimer(int timerId, int intervalMs) = 0;
    virtual void stopTimer(int timerId) = 0;
    // The progress bar with its timer 205: start with a total, or stop it
    // and reset the bar.
    virtual void startProgress(long long total) = 0;
    virtual void stopProgress() = 0;
    virtual void setActivityLamp(bool on) = 0;
    virtual void setRecordLamp(RecordLamp lamp) = 0;
    virtual void redrawSkin() = 0;
    virtual void enableButton(RecordingButton button, bool enabled) = 0;
    // A message box with string `stringId` of the current language.
    virtual void showMessage(int stringId) = 0;

    // The camera channel: close it, start it (the preview resumes), and the
    // device search (false after the window was told of the failure).
    virtual void closeCamera() = 0;
    virtual bool startCamera() = 0;
    virtual bool searchCamera() = 0;
};

class VideoRecording {
public:
    // Everything passed must outlive the recording. `services` says where
    // sound comes from (the default capture device when empty) and the AVI
    // segment size; its notice handler is the recording's own.
    VideoRecording(VideoHost& host, PhotoCapture& photo, const CameraSettings& settings,
                   platform::clock::Clock& clock, platform::vfw::CaptureServices services = {});
    ~VideoRecording();
    VideoRecording(const VideoRecording&) = delete;
    VideoRecording& operator=(const VideoRecording&) = delete;

    // The Record command (1032).
    void record();
    // Timer 204.
    void onRecordTick();
    // The progress timer's presence check while recording: false when the
    // camera is gone (no still is taken for this recording then).
    bool searchCameraDuringRecording();
    // Ends the recording in every mode; nothing when none runs.
    void stopRecording();

    // Makes and connects the capture window over (left, top)-(right, bottom)
    // and sets it up for the current settings; false when it cannot be made
    // or no driver connects.
    bool createCaptureWindow(int left, int top, int right, int bottom);
    // Starts the continuous sequence.
    void startSequence();

    // The capture window while one exists (the preview moves it along).
    QWidget* captureWindow() const { return window_.data(); }
    const std::string& videoFileName() const { return fileName_; }
    // Frames written to the current or last file.
    std::uint32_t framesWritten() const;

private:
    std::intptr_t send(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    void onNotice(platform::vfw::CaptureNotice notice);
    void destroyWindow();
    void restoreIdleButtons();

    VideoHost& host_;
    PhotoCapture& photo_;
    const CameraSettings& settings_;
    platform::clock::Clock& clock_;
    platform::vfw::CaptureServices services_;
    QPointer<platform::vfw::CaptureWindow> window_;
    // Context of the calls posted from capture notices; they die with it.
    std::unique_ptr<QObject> postbox_;
    int mode_ = kVideoContinuous;  // of the recording under way
    std::string fileName_;
    std::uint32_t lastFramesWritten_ = 0;
    bool deviceSearchFailed_ = false;
    bool searching_ = false;  // a failed search may end the recording from inside
    bool cutShortTold_ = false;
    bool noSoundTold_ = false;
};

} // namespace lumoset
