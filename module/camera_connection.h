#pragma once
// The camera connection the camera window drives: connecting and retrying,
// sending the picture parameters, the live preview frame, taking a picture,
// turning it into the picture handed to the data source, the parameter
// buttons and sliders, and disconnecting. The window decides when each step
// happens (its timer 1, its buttons) and draws what this asks it to.

#include "imaging/bitmap.h"
#include "module/cdib.h"
#include "module/module_settings.h"
#include "platform/memory/global_memory.h"

#include <QColor>
#include <QPoint>
#include <QRect>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace ostrel2 {

class CameraAccess;

// Connection state of the camera window.
enum class CameraState { Ready = 0, NotReady = 1, HandingOver = 2, PictureHeld = 3 };

// Settings sent to the camera access library.
inline constexpr int kSettingPicture = 101;  // brightness, contrast
inline constexpr int kSettingColour = 103;   // hue, saturation
inline constexpr int kSettingShutter = 105;  // shutter character, 0
// Shutter index 0, 1, 2 is sent as the character "2", "3", "4".
inline constexpr int kShutterCharacters[kShutterSteps] = {'2', '3', '4'};

inline constexpr int kColourModeGray = 0;
inline constexpr int kColourModeColour = 1;

// Timer 1 of the camera window paces all camera work.
inline constexpr int kCameraTimerId = 1;
inline constexpr int kLiveTimerMs = 100;
inline constexpr int kIdleTimerMs = 500;

// Buffers: one preview frame of the largest view, one picture of the
// largest capture size, both 3 bytes per pixel.
inline constexpr std::size_t kFrameBufferBytes = 320 * 240 * 3;
inline constexpr std::size_t kCaptureBufferBytes = 640 * 480 * 3;

// The preview area of the camera window and where frames of each view size
// are drawn in it (unscaled, centred).
inline constexpr QRect kPreviewArea{61, 35, 320, 240};
inline constexpr QPoint kFullViewOrigin{61, 35};
inline constexpr QPoint kSmallViewOrigin{141, 95};
inline constexpr QPoint kNotReadyTextOrigin{145, 150};
inline const QColor kNotReadyTextColour{0, 255, 0};
// The background bitmap the preview area is restored from.
inline constexpr int kBackgroundBitmapId = 149;

// The message box style of the connection's warnings.
unsigned connectionWarningStyle();

// What the connection asks of the camera window.
class CameraConnectionHost {
public:
    virtual ~CameraConnectionHost() = default;
    // Applies the state's effect on the picture buttons and Setting button.
    virtual void cameraStateChanged(CameraState state) = 0;
    virtual void startCameraTimer(int milliseconds) = 0;
    virtual void stopCameraTimer() = 0;
    // Copies the preview area of background bitmap 149 onto the window.
    virtual void restorePreviewBackground() = 0;
    // Draws `dib` stretched from its full size onto `destination`; false when
    // drawing failed.
    virtual bool drawPicture(const CDib& dib, const QRect& destination) = 0;
    virtual void drawPreviewText(const std::string& text, QPoint origin, QColor colour) = 0;
    // Moves the four sliders to their middle.
    virtual void centreSliders() = 0;
    // Owner of the connection's message boxes (may be null).
    virtual QWidget* messageOwner() = 0;
};

// The packed DIB of a taken picture as handed to the imaging library: a
// BITMAPINFOHEADER (no pixels per metre, colours used 256 for gray), the
// gray colour table in gray mode, then the pixels. Zero-filled global memory
// of 40 + w x h x 3 bytes (colour) or 40 + 1024 + w x h bytes (gray); null
// when the memory is not available or the size is not a capture size's.
HGLOBAL makeTransferDib(bool colour, int width, int height, const std::uint8_t* pixels);

class CameraConnection {
public:
    // All three must outlive the connection.
    CameraConnection(ModuleSettings& settings, CameraAccess& camera, CameraConnectionHost& host);
    ~CameraConnection();
    CameraConnection(const CameraConnection&) = delete;
    CameraConnection& operator=(const CameraConnection&) = delete;

    // The window opens: parameters not yet sent; connects.
    void connect();
    // A tick of timer 1 while not ready.
    void retry();
    // A tick of timer 1 while live: one preview frame.
    void previewFrame();
    // Takes a picture at the capture size into the capture buffer and shows
    // it. False when the camera delivered none (or no buffer could be had):
    // then no picture is held and none can be handed over.
    bool takePicture();
    // The taken picture as a library bitmap in `pending`; then ReadytoScan
    // (when set). False, leaving `pending` as it was, without a picture.
    bool buildPendingImage(imaging::Bitmap& pending);

    void setBrightness(int value);
    void setContrast(int value);
    void setHue(int value);
    void setSaturation(int value);
    void stepShutter();
    void stepViewQuality();
    void toggleZoom();
    void reset();

    // The camera access library's Fini (window closing, or the camera lost).
    void disconnect();
    // Frees the buffers and the display bitmap (the close-time settings save).
    void releaseBuffers();
    // The next preview frame first restores the preview background (after a
    // view size change or the settings dialog).
    void requestBackgroundRestore() { restoreBackground_ = true; }

    void setReadyToScan(std::function<void()> callback) { readyToScan_ = std::move(callback); }
    void setState(CameraState state);
    CameraState state() const { return state_; }
    bool parametersApplied() const { return parametersApplied_; }
    bool previewUnderWay() const { return previewUnderWay_; }
    bool pictureTaken() const { return pictureTaken_; }
    const CDib& displayBitmap() const { return display_; }
    QSize previewSize() const;

private:
    void applyParameters();
    void sendPicture();
    void sendColour();
    void sendShutter();
    bool takeBuffer(HGLOBAL& handle, std::uint8_t*& bytes, std::size_t size);
    void freeBuffer(HGLOBAL& handle, std::uint8_t*& bytes);
    void showWarning(int n);
    void becomeReady();
    QPoint previewOrigin() const;

    ModuleSettings& settings_;
    CameraAccess& camera_;
    CameraConnectionHost& host_;
    std::function<void()> readyToScan_;
    CameraState state_ = CameraState::NotReady;
    bool parametersApplied_ = false;
    bool previewUnderWay_ = false;
    bool restoreBackground_ = false;
    bool displayStarted_ = false;
    bool trueColourDisplay_ = true;
    bool pictureTaken_ = false;
    HGLOBAL frameBuffer_ = nullptr;
    std::uint8_t* frameBytes_ = nullptr;
    HGLOBAL captureBuffer_ = nullptr;
    std::uint8_t* captureBytes_ = nullptr;
    CDib display_;
    CDib shownPicture_;
    std::vector<std::uint8_t> shownPixels_;
    CaptureSize taken_{};
    bool takenInColour_ = true;
};

} // namespace ostrel2
