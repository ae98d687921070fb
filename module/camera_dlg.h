#pragma once
// The camera window's dialog (template 263): live picture, the thirteen
// bitmap buttons, the drawer with its sliders and lamps, help mode, timer 1,
// take picture / Transfer / Erase and the settings dialog. It fills the frame
// window's client area and does all the work; the frame passes messages on.

#include "module/camera_connection.h"
#include "module/module_settings.h"
#include "platform/ui/window_message.h"
#include "platform/ui/window_timers.h"

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace imaging { class Bitmap; }

namespace ostrel2 {

class CameraAccess;
class CSkinButton;
class CTwinButton;
class CSkinSlider;

inline constexpr int kCameraDialogTemplate = 263;
inline constexpr int kDialogWidth = 442;
inline constexpr int kDialogHeight = 455;

// Control ids of dialog 263.
namespace control {
inline constexpr int kZoom = 1038;
inline constexpr int kView = 1004;
inline constexpr int kMode = 1023;
inline constexpr int kTakeLeft = 320;
inline constexpr int kTakeRight = 321;
inline constexpr int kErase = 322;
inline constexpr int kTransfer = 310;
inline constexpr int kHelp = 311;
inline constexpr int kClose = 1006;
inline constexpr int kViewQuality = 323;
inline constexpr int kShutter = 324;
inline constexpr int kReset = 325;
inline constexpr int kSettings = 1005;
inline constexpr int kPreviewFrame = 1039;
} // namespace control

// The dialog's private messages (0x407, 0x408 are the sliders', 0x40B the
// settings dialog's).
inline constexpr std::uint32_t kUmTransfer = 0x0401;
inline constexpr std::uint32_t kUmCloseSave = 0x040A;

// What the dialog asks of the rest of the module.
struct CameraDialogCalls {
    // Fills the picture slot for the data source (the connection writes the
    // bitmap into it) and tells the data source it is ready.
    std::function<imaging::Bitmap&()> pendingSlot;
    std::function<void()> readyToScan;
    std::function<void()> readyToClose;
    // The folder of the module's own file (help files), ending in '/'.
    std::string moduleFolder;
};

class CCameraDlg : public QWidget, public platform::ui::MessageTarget, public CameraConnectionHost {
public:
    CCameraDlg(ModuleSettings& settings, CameraAccess& camera, CameraDialogCalls calls, QWidget* parent);
    ~CCameraDlg() override;

    std::intptr_t windowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

    // The window is closing for good: timer stopped, camera released.
    void shutDown();

    // What a holder of the window (and a test) can see.
    QWidget* control(int id) const;
    CSkinSlider* slider(int type) const { return sliders_[static_cast<std::size_t>(type)]; }
    CameraConnection& connection() { return connection_; }
    bool pictureHeld() const { return pictureHeld_; }
    bool live() const { return live_; }
    bool drawerOpen() const { return drawerOpen_; }
    bool helpMode() const { return helpMode_; }
    const platform::ui::WindowTimers& timers() const { return timers_; }
    // The lamp lit in the view-quality (0) or shutter (1) row: 0, 1 or 2.
    int litLamp(int row) const;
    // True while one of its handlers runs (it must not be deleted then).
    bool busy() const { return busy_ > 0; }
    // One tick of timer 1.
    void tick();
    // Draws pictures as for a screen of `bitsPerPixel`; 0 (the default)
    // follows the primary screen.
    void setDrawingDepth(int bitsPerPixel) { drawingDepth_ = bitsPerPixel; }
    // What the window shows (its surface under the indicators and drawer).
    const QImage& surface() const { return surface_; }

    // CameraConnectionHost
    void cameraStateChanged(CameraState state) override;
    void startCameraTimer(int milliseconds) override;
    void stopCameraTimer() override;
    void restorePreviewBackground() override;
    bool drawPicture(const CDib& dib, const QRect& destination) override;
    void drawPreviewText(const std::string& text, QPoint origin, QColor colour) override;
    void centreSliders() override;
    QWidget* messageOwner() override { return this; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void createButtons();
    void createSliders();
    void loadTooltips();
    void command(int id);
    void takePictureToggle();
    void erase();
    void closeSave();
    void runSettings();
    void enterHelpMode();
    void helpClick(QPoint at);
    void setDrawer(bool open);
    void setButtonShown(int id, bool shown);
    void setButtonEnabled(int id, bool enabled);
    void restartLiveTimer();
    QCursor cursorAt(QPoint at) const;

    ModuleSettings& settings_;
    CameraDialogCalls calls_;
    CameraConnection connection_;
    platform::ui::WindowTimers timers_;
    std::vector<CSkinButton*> buttons_;
    std::array<CSkinSlider*, 4> sliders_{};
    QImage surface_;            // what drawing outside a paint leaves on the window
    std::vector<std::uint8_t> reduced_;  // scratch for 256-colour screens
    bool pictureHeld_ = false;
    bool live_ = true;
    bool pictureStepPending_ = false;
    bool drawerOpen_ = false;
    bool active_ = true;
    bool minimised_ = false;
    bool helpMode_ = false;
    int busy_ = 0;
    int drawingDepth_ = 0;
};

} // namespace ostrel2
