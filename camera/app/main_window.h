#pragma once
// The camera program's main window and its controller: the skinned window
// that lives for the whole run. It owns the skin, the live picture, both
// albums, the frame buffers, the camera channel and the captured-settings
// record; five window timers with fixed ids drive the preview, photo
// series, recording and the reconnect after a device failure; child
// controls talk to it with the command message and five private messages.

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "camera/app/album_panel.h"
#include "camera/app/tooltip_control.h"
#include "camera/capture/device_channel.h"
#include "camera/capture/photo_capture.h"
#include "camera/capture/picture_formats.h"
#include "camera/capture/picture_tables.h"
#include "camera/capture/video_recording.h"
#include "camera/core/camera_settings.h"
#include "camera/core/captured_settings.h"
#include "imaging/bitmap.h"
#include "platform/memory/global_memory.h"
#include "platform/ui/window_message.h"
#include "platform/ui/window_timers.h"

class QLabel;

namespace platform::clock {
class Clock;
}
namespace platform::ousbdrv {
class DeviceTransport;
}
namespace platform::print {
class PrinterService;
}

namespace lumoset {

class ErrorNotice;
class MainSkin;
class PreviewWindow;
class PhotoCapture;

inline constexpr const char* kMainWindowCaption = "Lumoset";

// Timers of the main window.
inline constexpr int kTimerPreview = 201;
inline constexpr int kTimerAutoSnap = 203;
inline constexpr int kTimerRecord = 204;
inline constexpr int kTimerProgress = 205;
inline constexpr int kTimerReconnect = 206;
inline constexpr int kPreviewPeriodMs = 100;
inline constexpr int kProgressPeriodMs = 1000;
inline constexpr int kReconnectPeriodMs = 300;

// Private messages from the child windows: the albums' 0x464 and 0x465 are
// AlbumStrip::kUmArrowsChanged and kUmError; 0x46E, 0x46F and 0x470 are
// platform::ui::kUmSliderChanged, kUmSliderDrag and kUmRelayTooltip.

// Message texts of the main window (base ids).
inline constexpr int kStrExitQuestion = 10311;
inline constexpr int kStrDeviceNotReady = 10313;
inline constexpr int kStrTooltipTakePicture = 10409;

// Free space Take Picture needs: what a photo needs (10 MB). A recording's
// 20 MB are the recording's own (kVideoMinFreeBytes).
inline constexpr std::uint64_t kTakePictureMinFreeBytes = kPhotoMinFreeBytes;

// Where the albums' windows stand (client coordinates, 70 x 272).
inline constexpr int kAlbumWidth = 70;
inline constexpr int kAlbumHeight = 272;
inline constexpr int kAlbumTop = 74;
inline constexpr int kPhotoAlbumX = 449;
inline constexpr int kPhotoAlbumXShifted = 533;
inline constexpr int kVideoAlbumX = 7;

// Album kinds, as the album messages' wParam says.
inline constexpr int kPhotoAlbumKind = 0;
inline constexpr int kVideoAlbumKind = 1;

// Everything the main window reaches outside itself; tests pass doubles.
struct MainWindowServices {
    platform::ousbdrv::DeviceTransport* transport = nullptr;
    platform::clock::Clock* clock = nullptr;
    platform::print::PrinterService* printers = nullptr;
    // Shows help topic `contextId` of `helpFile` as a pop-up owned by `owner`.
    std::function<void(QWidget* owner, const std::string& helpFile, int contextId)> showHelpTopic;
    // Free bytes of the drive holding `folder`; statvfs when empty.
    std::function<std::uint64_t(const std::string& folder)> freeDiskBytes;
    // Makes an album (kind 0 photo, 1 video) as a hidden child of `parent`;
    // the program's thumbnail strips when empty.
    std::function<std::unique_ptr<AlbumPanel>(int kind, QWidget* parent)> makeAlbum;
    // Runs the settings sheet on the live record and language index; returns
    // whether it closed with OK. The program's sheet when empty.
    std::function<bool(QWidget* owner, CapturedSettings& live, int& languageIndex)> runSettingsSheet;
    // Where recordings take their sound from and how files are cut; the
    // system's defaults when empty.
    platform::vfw::CaptureServices captureServices;
    // Whether a file exists (help files); std::filesystem when empty.
    std::function<bool(const std::string&)> fileExists;
};

struct MainWindowOptions {
    std::string programFolder;  // ends with '/'
    std::string dataFolder;     // the current directory when the window is made
    bool paletteDisplay = false;
    std::string settingsFile = kSettingsFileName;
};

// The controller's state (initial values as at start-up).
struct ControllerState {
    // Display and camera selections.
    int colorMode = 1;
    int largeView = 1;
    int normalZoom = 1;
    int quality = 1;
    int speed = 1;
    int brightness = 0, contrast = 0, hue = 0, saturation = 0;
    int languageOffset = 0;
    // Pending changes for the next preview tick.
    bool layoutPending = false;
    bool qualityPending = false;
    bool speedPending = false;
    bool colorPending = false;
    // Activity (busy, recording, the fresh capture window and the record
    // ticks are the recording's VideoControllerState).
    bool autoSnapRunning = false;
    bool deviceError = false;
    bool previewPaused = false;
    bool helpMode = false;
    bool tickGuard = true;
    bool photoAlbumOpen = false;
    bool videoAlbumOpen = false;
    // Counters.
    int shotsLeft = 0;
    int progressCount = 0;
    int progressTotal = 0;
    int framesShown = -1;
    // Window-menu items as they would be greyed: Restore (0), Minimize (2).
    bool restoreItemEnabled = false;
    bool minimizeItemEnabled = true;
};

class MainWindow final : public QWidget,
                         public platform::ui::MessageTarget,
                         public CameraErrorReporter,
                         public DeviceChannelHost,
                         public PhotoHost,
                         public VideoHost {
public:
    MainWindow(const MainWindowServices& services, const MainWindowOptions& options);
    ~MainWindow() override;

    // The start-up sequence; false when the skin could not be made (the
    // window then has nothing to show and the program ends).
    bool initialise();

    // Runs a command as its button would.
    void command(int controlId);

    // platform::ui::MessageTarget
    std::intptr_t windowMessage(std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) override;
    // CameraErrorReporter
    void reportCameraError(int code) override;
    // DeviceChannelHost
    void repaintPreview() override;
    void startPreviewTimer() override;
    void stopPreviewTimer() override;
    void raiseStartPendingFlags() override;
    void setFramesShown(int count) override;
    bool colourMode() const override;
    // PhotoHost
    PhotoControllerState& photoState() override { return photoState_; }
    CapturedSettings& capturedSettings() override { return captured_; }
    bool normalZoom() const override;
    bool autoSnapRunning() const override;
    int languageOffset() const override;
    std::string picFolder() const override { return picFolder_; }
    std::string aviFolder() const override { return aviFolder_; }
    std::uint64_t freeDiskBytes() const override;
    void setWaitCursor(bool on) override;
    void showMessage(int stringId) override;
    void refreshAlbumButtons(bool videoAlbum) override;
    // VideoHost
    VideoControllerState& videoState() override { return videoState_; }
    int& videoCount() override { return photoState_.videoCount; }
    const CapturedSettings& capturedSettings() const override { return captured_; }
    int quality() const override { return state_.quality; }
    bool videoAlbumFull() override;
    QWidget* mainWindow() override { return this; }
    QRect previewRect() const override;
    void startTimer(int timerId, int intervalMs) override;
    void stopTimer(int timerId) override;
    void startProgress(long long total) override;
    void stopProgress() override;
    void setActivityLamp(bool on) override;
    void setRecordLamp(RecordLamp lamp) override;
    void redrawSkin() override;
    void enableButton(RecordingButton button, bool enabled) override;
    void closeCamera() override;
    bool startCamera() override;
    bool searchCamera() override;

    // The exit path; false when the user chose to stay.
    bool requestExit();

    // The string (base id + language offset).
    std::string text(int baseId) const;

    // One preview tick (timer 201) now.
    void previewTick();

    const ControllerState& state() const { return state_; }
    const VideoControllerState& recordingState() const { return videoState_; }
    VideoRecording& recording() { return *video_; }
    MainSkin& skin() { return *skin_; }
    PreviewWindow* preview() const { return preview_; }
    AlbumPanel* photoAlbum() const { return photoAlbum_.get(); }
    AlbumPanel* videoAlbum() const { return videoAlbum_.get(); }
    platform::ui::WindowTimers& timers() { return timers_; }
    DeviceChannel& channel() { return *channel_; }
    const TooltipControl& tooltips() const { return tooltips_; }
    PhotoCapture& photoCapture() { return *photoCapture_; }
    // The notice over the preview; empty while none shows.
    std::string noticeText() const;
    const std::string& dataFolder() const { return options_.dataFolder; }
    const std::string& autosnapFolder() const { return autosnapFolder_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void onTimer(int timerId);
    bool allocateBuffers();
    void freeBuffers();
    void makeWorkingFolders();
    void applyPreferences(const Preferences& preferences);
    void rebuildPictureTables();
    void registerTooltips();

    void takePicture();
    void seriesShot();
    void stopActivity();
    void progressStep();
    void setup();
    void reconnect();
    void setCaptureButtonsEnabled(bool enabled);
    void enterHelpMode();
    void contextHelp(QPoint point);
    void openPhotoAlbum();
    void closePhotoAlbum();
    void openVideoAlbum();
    void closeVideoAlbum();
    void placeAlbumWindows();
    void cycleQuality();
    void cycleSpeed();
    void resetPicture();
    void toggleColour();
    void toggleView();
    void toggleZoom();
    void showNotice(int stringId);
    void deleteRunFiles();
    AlbumPanel* album(int kind) const;

    MainWindowServices services_;
    MainWindowOptions options_;
    ControllerState state_;
    PhotoControllerState photoState_;
    CapturedSettings captured_;
    CameraSettings settings_;
    PictureTables tables_;

    std::string picFolder_, aviFolder_, autosnapFolder_;
    platform::ui::WindowTimers timers_;
    TooltipControl tooltips_;
    std::unique_ptr<MainSkin> skin_;
    std::unique_ptr<DeviceChannel> channel_;
    std::unique_ptr<PhotoCapture> photoCapture_;
    std::unique_ptr<VideoRecording> video_;
    VideoControllerState videoState_;
    CapturedSettings lastApplied_;
    std::unique_ptr<AlbumPanel> photoAlbum_;
    std::unique_ptr<AlbumPanel> videoAlbum_;
    PreviewWindow* preview_ = nullptr;
    ErrorNotice* notice_ = nullptr;
    imaging::Bitmap still_;
    HGLOBAL planeAHandle_ = nullptr, planeBHandle_ = nullptr, outputHandle_ = nullptr;
    std::uint8_t* planeA_ = nullptr;
    std::uint8_t* planeB_ = nullptr;
    std::uint8_t* output_ = nullptr;
    FrameFormat frameFormat_{};
    bool initialised_ = false;
    bool closing_ = false;
};

} // namespace lumoset
