#include "module/camera_dlg.h"

#include "module/help_files.h"
#include "module/module_skin.h"
#include "module/module_strings.h"
#include "module/palette_reduction.h"
#include "module/setting_dlg.h"
#include "module/skin_button.h"
#include "module/skin_slider.h"
#include "platform/help/help_service.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QScreen>

namespace ostrel2 {
namespace {

struct ButtonPlace {
    int id;
    int x, y, width, height;
    int upBitmap, downBitmap;
    bool shownAtOpen;
    int tooltip;
};

constexpr ButtonPlace kButtons[] = {
    {control::kZoom, 159, 312, 18, 18, 164, 165, true, kStrZoom},
    {control::kView, 211, 313, 19, 20, 162, 163, true, kStrView},
    {control::kMode, 264, 312, 18, 17, 166, 167, true, kStrMode},
    {control::kTakeLeft, 245, 335, 85, 39, 176, 186, true, kStrTakePicture},
    {control::kTakeRight, 330, 314, 65, 57, 177, 187, true, kStrTakePicture},
    {control::kErase, 245, 335, 85, 39, 178, 188, false, kStrErase},
    {control::kTransfer, 330, 314, 65, 57, 179, 189, false, kStrTransfer},
    {control::kHelp, 399, 361, 37, 16, 184, 185, true, kStrHelp},
    {control::kClose, 33, 317, 73, 27, 158, 159, true, kStrExit},
    {control::kViewQuality, 262, 407, 37, 14, 190, 191, false, kStrViewQuality},
    {control::kShutter, 262, 429, 37, 14, 192, 193, false, kStrExposure},
    {control::kReset, 408, 397, 23, 17, 194, 195, false, kStrReset},
    {control::kSettings, 396, 420, 37, 20, 196, 197, false, kStrAdvanceSettings},
};
constexpr int kDrawerButtons[] = {control::kViewQuality, control::kShutter, control::kReset, control::kSettings};

struct SliderPlace {
    int type;
    int left, top;
    int groove;
};
constexpr SliderPlace kSliders[] = {
    {kSliderHue, 30, 394, 207},
    {kSliderSaturation, 47, 419, 208},
    {kSliderBrightness, 141, 399, 209},
    {kSliderContrast, 157, 425, 210},
};

// Help contexts that depend on whether a picture is held.
constexpr int kContextTakePicture = 6;
constexpr int kContextTransfer = 17;
constexpr int kContextErase = 18;
constexpr int kContextByState = -1;

struct HotRect {
    int left, top, right, bottom;  // right and bottom outside
    int context;                   // kContextByState: take picture / transfer / erase
    int heldContext;
    bool drawerOnly;
    bool contains(QPoint p) const { return p.x() >= left && p.x() < right && p.y() >= top && p.y() < bottom; }
};
constexpr HotRect kHotRects[] = {
    {61, 33, 380, 272, 1, 1, false},
    {155, 277, 180, 329, 2, 2, false},
    {33, 317, 105, 343, 7, 7, false},
    {260, 279, 284, 328, 4, 4, false},
    {330, 314, 394, 370, kContextByState, kContextTransfer, false},
    {245, 335, 329, 373, kContextByState, kContextErase, false},
    {206, 278, 232, 332, 3, 3, false},
    {131, 399, 221, 411, 10, 10, true},
    {20, 394, 110, 406, 8, 8, true},
    {147, 425, 237, 437, 11, 11, true},
    {37, 419, 127, 431, 9, 9, true},
    {262, 407, 380, 420, 5, 5, true},
    {408, 397, 430, 413, 12, 12, true},
    {396, 420, 432, 439, 13, 13, true},
    {262, 429, 298, 442, 16, 16, true},
};

// Skin bitmaps of the dialog and where they go.
constexpr int kZoomNormalBitmap = 160, kZoomOnBitmap = 161;
constexpr QPoint kZoomIndicator{155, 277};
constexpr int kViewFullBitmap = 171, kViewSmallBitmap = 172;
constexpr QPoint kViewIndicator{206, 278};
constexpr int kModeColourBitmap = 174, kModeGrayBitmap = 175;
constexpr QPoint kModeIndicator{260, 279};
constexpr int kDrawerClosedLeft = 180, kDrawerClosedRight = 181;
constexpr int kDrawerOpenLeft = 182, kDrawerOpenRight = 183;
constexpr QPoint kDrawerLeftPiece{7, 366};
constexpr QPoint kDrawerRightPiece{199, 383};
constexpr int kLampOn = 198, kLampOff = 199;
constexpr int kLampX[3] = {312, 345, 376};
constexpr int kLampRowY[2] = {405, 428};

const QRegion& drawerFace()
{
    static const QRegion region(QPolygon({{38, 373}, {105, 370}, {235, 401}, {327, 401}, {441, 388}, {441, 453},
                                          {12, 453}, {15, 412}}));
    return region;
}

const QRegion& drawerHandle()
{
    static const QRegion region(QPolygon({{40, 440}, {131, 444}, {136, 449}, {136, 454}, {41, 451}, {41, 444}}));
    return region;
}

const QList<QRgb>& fixedPalette()
{
    static const QList<QRgb> palette = [] {
        QList<QRgb> entries(kFixedPaletteSize);
        for (int b = 0; b < kFixedPaletteSize; ++b)
            entries[b] = fixedPaletteEntry(b);
        return entries;
    }();
    return palette;
}

int screenDepth()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->depth() : 32;
}

// Keeps the dialog alive-marked while one of its handlers runs.
struct BusyScope {
    explicit BusyScope(int& n) : n_(n) { ++n_; }
    ~BusyScope() { --n_; }
    int& n_;
};

} // namespace

CCameraDlg::CCameraDlg(ModuleSettings& settings, CameraAccess& camera, CameraDialogCalls calls, QWidget* parent)
    : QWidget(parent),
      settings_(settings),
      calls_(std::move(calls)),
      connection_(settings, camera, *this),
      timers_([this](int id) {
          if (id == kCameraTimerId)
              tick();
      }, this)
{
    setObjectName(QString::number(kCameraDialogTemplate));
    setWindowTitle(QString::fromStdString(productName()));
    setFixedSize(kDialogWidth, kDialogHeight);
    setMouseTracking(true);
    surface_ = QImage(kDialogWidth, kDialogHeight, QImage::Format_RGB32);
    {
        QPainter painter(&surface_);
        const QImage& background = moduleBitmap(kBackgroundBitmapId);
        if (background.isNull())
            surface_.fill(Qt::black);
        else
            painter.drawTiledPixmap(surface_.rect(), QPixmap::fromImage(background));
    }
    createButtons();
    loadModuleSettings(settings_);
    loadTooltips();
    createSliders();
    connection_.setReadyToScan([this] {
        if (calls_.readyToScan)
            calls_.readyToScan();
    });
    connection_.connect();
}

CCameraDlg::~CCameraDlg()
{
    timers_.stopAll();
}

void CCameraDlg::shutDown()
{
    timers_.stopAll();
    connection_.disconnect();
}

void CCameraDlg::createButtons()
{
    for (const ButtonPlace& place : kButtons) {
        CSkinButton* button = (place.id == control::kTakeLeft || place.id == control::kTakeRight)
                                  ? new CTwinButton(place.id, place.upBitmap, place.downBitmap, this)
                                  : new CSkinButton(place.id, place.upBitmap, place.downBitmap, this);
        button->setGeometry(place.x, place.y, place.width, place.height);
        button->setVisible(place.shownAtOpen);
        buttons_.push_back(button);
    }
    auto* left = static_cast<CTwinButton*>(control(control::kTakeLeft));
    auto* right = static_cast<CTwinButton*>(control(control::kTakeRight));
    left->setTwin(right);
    right->setTwin(left);
}

void CCameraDlg::createSliders()
{
    for (const SliderPlace& place : kSliders) {
        CSkinSlider* slider = CSkinSlider::create(place.type, place.groove, [this] { return settings_.language; }, this);
        sliders_[static_cast<std::size_t>(place.type)] = slider;
        if (slider == nullptr)
            continue;
        slider->move(place.left, place.top);
        slider->hide();
    }
    const CameraParameters& p = settings_.parameters;
    const int values[4] = {p.hue, p.saturation, p.brightness, p.contrast};
    for (std::size_t i = 0; i < sliders_.size(); ++i)
        if (sliders_[i] != nullptr)
            sliders_[i]->setValue(values[i]);
}

void CCameraDlg::loadTooltips()
{
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->setToolTip(QString::fromStdString(moduleString(settings_.language, kButtons[i].tooltip)));
}

QWidget* CCameraDlg::control(int id) const
{
    for (CSkinButton* b : buttons_)
        if (b->id() == id)
            return b;
    return nullptr;
}

void CCameraDlg::setButtonShown(int id, bool shown)
{
    if (QWidget* w = control(id))
        w->setVisible(shown);
}

void CCameraDlg::setButtonEnabled(int id, bool enabled)
{
    if (QWidget* w = control(id))
        w->setEnabled(enabled);
}

int CCameraDlg::litLamp(int row) const
{
    return row == 0 ? settings_.viewQualityIndex % kViewQualityLevels
                    : settings_.parameters.shutterIndex % kShutterSteps;
}

// ---- connection host ----

void CCameraDlg::cameraStateChanged(CameraState state)
{
    switch (state) {
    case CameraState::Ready:
        for (int id : {control::kTakeLeft, control::kTakeRight, control::kTransfer, control::kErase, control::kSettings})
            setButtonEnabled(id, true);
        break;
    case CameraState::NotReady:
        for (int id : {control::kTakeLeft, control::kTakeRight, control::kTransfer, control::kErase})
            setButtonEnabled(id, false);
        break;
    case CameraState::HandingOver:
        break;
    case CameraState::PictureHeld:
        setButtonEnabled(control::kSettings, false);
        break;
    }
}

void CCameraDlg::startCameraTimer(int milliseconds)
{
    timers_.start(kCameraTimerId, milliseconds);
}

void CCameraDlg::stopCameraTimer()
{
    timers_.stop(kCameraTimerId);
}

void CCameraDlg::restorePreviewBackground()
{
    const QImage& background = moduleBitmap(kBackgroundBitmapId);
    QPainter painter(&surface_);
    if (background.isNull())
        painter.fillRect(kPreviewArea, Qt::black);
    else
        painter.drawImage(kPreviewArea.topLeft(), background, kPreviewArea);
    update(kPreviewArea);
}

bool CCameraDlg::drawPicture(const CDib& dib, const QRect& destination)
{
    QPainter painter(&surface_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);  // colour-on-colour stretching
    const QSize size = dib.Size();
    const bool colour = dib.BitsPerPixel() > 8;
    int drawn = 0;
    if (drawsDirectly(drawingDepth_ != 0 ? drawingDepth_ : screenDepth(), colour) || !colour || dib.Pixels() == nullptr) {
        drawn = dib.Draw(&painter, destination.x(), destination.y(), destination.width(), destination.height(),
                         size.width(), size.height());
    } else {
        // A 256-colour screen: the fixed palette, with its ordered threshold.
        const int w = size.width(), h = size.height();
        const std::size_t rowBytes = CDib::RowBytes(w, 8);
        reduced_.resize(rowBytes * static_cast<std::size_t>(h));
        reduceToFixedPalette(dib.Pixels(), w, h, reduced_.data());
        QImage image(reduced_.data(), w, h, static_cast<qsizetype>(rowBytes), QImage::Format_Indexed8);
        image.setColorTable(fixedPalette());
        // The rows are stored bottom-up: drawn through a vertical flip.
        painter.translate(destination.x(), destination.y() + destination.height());
        painter.scale(1.0, -1.0);
        painter.drawImage(QRect(0, 0, destination.width(), destination.height()), image);
        drawn = 1;
    }
    update(destination);
    return drawn != 0;
}

void CCameraDlg::drawPreviewText(const std::string& text, QPoint origin, QColor colour)
{
    QPainter painter(&surface_);
    painter.setPen(colour);
    painter.drawText(QRect(origin, kPreviewArea.bottomRight()), Qt::AlignLeft | Qt::AlignTop,
                     QString::fromStdString(text));
    update(kPreviewArea);
}

void CCameraDlg::centreSliders()
{
    for (CSkinSlider* s : sliders_)
        if (s != nullptr)
            s->setValue(0);
}

// ---- timer 1 ----

void CCameraDlg::restartLiveTimer()
{
    timers_.start(kCameraTimerId, kLiveTimerMs);
}

void CCameraDlg::tick()
{
    QWidget* frame = window();
    minimised_ = frame->isMinimized();
    if (!frame->isActiveWindow()) {
        active_ = false;
        timers_.start(kCameraTimerId, kIdleTimerMs);
        if (helpMode_) {
            setCursor(moduleCursor(kHelpCursorId));
            grabMouse();
        }
    } else {
        active_ = true;
    }
    if (minimised_)
        timers_.stop(kCameraTimerId);
    if (connection_.state() == CameraState::NotReady)
        connection_.retry();
    else if (live_ && !connection_.previewUnderWay())
        connection_.previewFrame();
    else if (!live_)
        update(kPreviewArea);  // the taken picture stays on the window's surface
}

// ---- messages and commands ----

std::intptr_t CCameraDlg::windowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    BusyScope scope(busy_);
    switch (message) {
    case platform::ui::kWmCommand:
        command(platform::ui::commandId(wParam));
        return 0;
    case kUmTransfer:
        if (pictureHeld_)
            takePictureToggle();
        return 0;
    case kUmSliderValue: {
        const int value = static_cast<int>(lParam);
        switch (static_cast<int>(wParam)) {
        case kSliderHue: connection_.setHue(value); break;
        case kSliderSaturation: connection_.setSaturation(value); break;
        case kSliderBrightness: connection_.setBrightness(value); break;
        case kSliderContrast: connection_.setContrast(value); break;
        default: return 0;
        }
        if (!pictureHeld_)
            restartLiveTimer();
        return 0;
    }
    case kUmStopPreview:
        timers_.stop(kCameraTimerId);
        return 0;
    case kUmCloseSave:
        closeSave();
        return 0;
    case kUmLanguageChanged:
        loadTooltips();
        return 0;
    default:
        return 0;
    }
}

void CCameraDlg::command(int id)
{
    switch (id) {
    case control::kTakeLeft:
    case control::kTakeRight:
    case control::kTransfer:
        takePictureToggle();
        return;
    case control::kErase:
        erase();
        return;
    case control::kMode:
        if (pictureStepPending_)
            QCoreApplication::processEvents();
        settings_.colour = !settings_.colour;
        update();
        return;
    case control::kZoom:
        if (pictureStepPending_)
            QCoreApplication::processEvents();
        connection_.toggleZoom();
        update();
        return;
    case control::kView:
        settings_.fullView = !settings_.fullView;
        connection_.requestBackgroundRestore();
        update();
        return;
    case control::kViewQuality:
        connection_.stepViewQuality();
        update();
        return;
    case control::kShutter:
        connection_.stepShutter();
        update();
        return;
    case control::kReset:
        connection_.reset();
        update();
        return;
    case control::kSettings:
        runSettings();
        return;
    case control::kClose:
        closeSave();
        if (connection_.state() != CameraState::HandingOver && calls_.readyToClose)
            calls_.readyToClose();
        return;
    case control::kHelp:
        enterHelpMode();
        return;
    default:
        return;
    }
}

void CCameraDlg::takePictureToggle()
{
    pictureStepPending_ = true;
    live_ = false;
    if (!pictureHeld_) {
        connection_.setState(CameraState::PictureHeld);
        setButtonShown(control::kTakeLeft, false);
        setButtonShown(control::kTakeRight, false);
        setButtonShown(control::kTransfer, true);
        setButtonShown(control::kErase, true);
        timers_.stop(kCameraTimerId);
        pictureHeld_ = true;
        if (!connection_.takePicture()) {
            // Nothing usable came from the camera: nothing to offer.
            drawPreviewText(moduleString(settings_.language, kStrDeviceNotReady), kNotReadyTextOrigin,
                            kNotReadyTextColour);
            erase();
        }
        return;
    }
    setButtonShown(control::kTransfer, false);
    setButtonShown(control::kErase, false);
    setButtonShown(control::kTakeLeft, true);
    setButtonShown(control::kTakeRight, true);
    connection_.setState(CameraState::HandingOver);
    pictureHeld_ = false;
    if (calls_.pendingSlot)
        connection_.buildPendingImage(calls_.pendingSlot());
    connection_.requestBackgroundRestore();
    live_ = true;
    restartLiveTimer();
    pictureStepPending_ = false;
    connection_.setState(CameraState::Ready);
}

void CCameraDlg::erase()
{
    setButtonShown(control::kTransfer, false);
    setButtonShown(control::kErase, false);
    setButtonShown(control::kTakeLeft, true);
    setButtonShown(control::kTakeRight, true);
    pictureHeld_ = false;
    connection_.requestBackgroundRestore();
    live_ = true;
    if (pictureStepPending_) {
        pictureStepPending_ = false;
        connection_.setState(CameraState::Ready);
    }
    restartLiveTimer();
}

void CCameraDlg::closeSave()
{
    timers_.stop(kCameraTimerId);
    pictureHeld_ = true;
    saveModuleSettings(settings_);
    connection_.releaseBuffers();
}

void CCameraDlg::runSettings()
{
    timers_.stop(kCameraTimerId);
    connection_.requestBackgroundRestore();
    std::vector<QObject*> listeners;
    for (CSkinSlider* s : sliders_)
        if (s != nullptr)
            listeners.push_back(s);
    CSettingDlg dialog(settings_, this, listeners);
    dialog.exec();  // on OK the dialog has stored the size and language
    if (!pictureHeld_)
        restartLiveTimer();
}

// ---- help mode, drawer, mouse ----

void CCameraDlg::enterHelpMode()
{
    helpMode_ = true;
    setCursor(moduleCursor(kHelpCursorId));
    grabMouse();
}

void CCameraDlg::helpClick(QPoint at)
{
    releaseMouse();
    const std::string file = helpFilePath(calls_.moduleFolder, settings_.language);
    for (const HotRect& r : kHotRects) {
        if (!r.contains(at) || (r.drawerOnly && !drawerOpen_))
            continue;
        int context = r.context;
        if (context == kContextByState)
            context = pictureHeld_ ? r.heldContext : kContextTakePicture;
        platform::help::showHelp(this, file, platform::help::kHelpContextPopup, static_cast<std::uintptr_t>(context));
    }
    unsetCursor();
    helpMode_ = false;
}

void CCameraDlg::setDrawer(bool open)
{
    drawerOpen_ = open;
    for (int id : kDrawerButtons)
        setButtonShown(id, open);
    for (CSkinSlider* s : sliders_)
        if (s != nullptr)
            s->setVisible(open);
    update();
}

void CCameraDlg::mousePressEvent(QMouseEvent* event)
{
    BusyScope scope(busy_);
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    const bool endsHelp = helpMode_;
    if (endsHelp)
        helpClick(at);
    if (!drawerOpen_ && !endsHelp && drawerFace().contains(at))
        setDrawer(true);
    else if (drawerOpen_ && drawerHandle().contains(at))
        setDrawer(false);
}

QCursor CCameraDlg::cursorAt(QPoint at) const
{
    if ((!drawerOpen_ && drawerFace().contains(at)) || (drawerOpen_ && drawerHandle().contains(at)))
        return moduleCursor(kDrawerCursorId);
    return helpMode_ ? moduleCursor(kHelpCursorId) : QCursor(Qt::ArrowCursor);
}

void CCameraDlg::mouseMoveEvent(QMouseEvent* event)
{
    setCursor(cursorAt(event->position().toPoint()));
}

void CCameraDlg::paintEvent(QPaintEvent*)
{
    QWidget* frame = window();
    if ((!active_ && frame->isActiveWindow()) || (minimised_ && !frame->isMinimized())) {
        active_ = frame->isActiveWindow();
        minimised_ = frame->isMinimized();
        restartLiveTimer();
    }
    QPainter painter(this);
    painter.drawImage(0, 0, surface_);
    painter.drawImage(kZoomIndicator, moduleBitmap(settings_.zoom ? kZoomOnBitmap : kZoomNormalBitmap));
    painter.drawImage(kViewIndicator, moduleBitmap(settings_.fullView ? kViewFullBitmap : kViewSmallBitmap));
    painter.drawImage(kModeIndicator, moduleBitmap(settings_.colour ? kModeColourBitmap : kModeGrayBitmap));
    painter.drawImage(kDrawerLeftPiece, moduleBitmap(drawerOpen_ ? kDrawerOpenLeft : kDrawerClosedLeft));
    painter.drawImage(kDrawerRightPiece, moduleBitmap(drawerOpen_ ? kDrawerOpenRight : kDrawerClosedRight));
    if (drawerOpen_)
        for (int row = 0; row < 2; ++row)
            for (int i = 0; i < 3; ++i)
                painter.drawImage(QPoint(kLampX[i], kLampRowY[row]), moduleBitmap(i == litLamp(row) ? kLampOn : kLampOff));
}

} // namespace ostrel2
