#include "camera/app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QWindowStateChangeEvent>

#include <filesystem>
#include <system_error>

#include "camera/albums/album_strip.h"
#include "camera/albums/save_as_dialog.h"
#include "camera/app/error_notice.h"
#include "camera/capture/picture_convert.h"
#include "camera/capture/preview_window.h"
#include "camera/core/context_help.h"
#include "camera/core/string_table.h"
#include "camera/pages/settings_sheet.h"
#include "camera/pages/sheet_changes.h"
#include "camera/resources/skin_resources.h"
#include "camera/skin/adjust_slider.h"
#include "camera/skin/bitmap_button.h"
#include "camera/skin/main_skin.h"
#include "camera/skin/progress_strip.h"
#include "camera/skin/record_button.h"
#include "platform/clock/clock.h"
#include "platform/shell/desktop_associations.h"
#include "platform/shell/disk_space.h"
#include "platform/ui/message_box.h"

namespace lumoset {

namespace {

namespace fs = std::filesystem;
using platform::ui::kWmCommand;

constexpr int kColourBits = 24;
constexpr int kGreyBits = 8;
constexpr std::uint64_t kUnknownFreeSpace = ~0ull;

// Tooltip texts by control (base ids).
constexpr int kTipZoom = 10401, kTipView = 10403, kTipMode = 10405, kTipExit = 10407,
              kTipPrint = 10408, kTipRecord = 10410, kTipStop = 10411, kTipHue = 10414,
              kTipSaturation = 10415, kTipBrightness = 10416, kTipContrast = 10417,
              kTipQuality = 10418, kTipSpeed = 10419, kTipReset = 10421, kTipSetup = 10422,
              kTipOpenPhoto = 10429, kTipClosePhoto = 10430, kTipOpenVideo = 10431,
              kTipCloseVideo = 10432, kTipHelp = 10500, kTipScrollUp = 10501,
              kTipScrollDown = 10502;

// Button texts the colour, view and zoom keys carry (read by accessibility
// tools; the keys themselves show bitmaps).
constexpr const char* kTextColour = "Color";
constexpr const char* kTextBlackWhite = "B/W";
constexpr const char* kTextFullView = "Full View";
constexpr const char* kTextSmallView = "Small View";
constexpr const char* kTextNormal = "Normal";
constexpr const char* kTextZoomIn = "Zoom In";

std::string numberedFile(const std::string& folder, const char* prefix, int n, const char* ext)
{
    return folder + "/" + prefix + std::to_string(n) + ext;
}

// The program's albums: a thumbnail strip with the services it reaches.
class StripAlbum final : public AlbumPanel {
public:
    StripAlbum(int kind, platform::clock::Clock& clock, platform::print::PrinterService& printers,
               QWidget* parent)
        : strip_(new AlbumStrip(kind, AlbumStrip::Services{clock, printers, saveAs_, associations_},
                                parent))
    {
        strip_->hide();
        strip_->create(QSize(kAlbumWidth, kAlbumHeight));
    }
    QWidget* window() override { return strip_; }
    int itemCount() const override { return strip_->itemCount(); }
    bool canScrollUp() const override { return strip_->canScrollUp(); }
    bool canScrollDown() const override { return strip_->canScrollDown(); }
    void scrollUp() override { strip_->scrollUp(); }
    void scrollDown() override { strip_->scrollDown(); }
    int pendingMessageId() const override { return strip_->pendingMessageId(); }
    bool isFull() override { return strip_->isFull() != 0; }
    void addPicture(const std::string& path) override { strip_->addPicture(path); }

private:
    QtSaveAsDialog saveAs_;
    platform::shell::DesktopAssociations associations_;
    AlbumStrip* strip_;  // owned by the main window, as its child
};

} // namespace

MainWindow::MainWindow(const MainWindowServices& services, const MainWindowOptions& options)
    : QWidget(nullptr),
      services_(services),
      options_(options),
      settings_(options.settingsFile),
      timers_([this](int id) { onTimer(id); }, this)
{
    setWindowTitle(kMainWindowCaption);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    if (!services_.freeDiskBytes)
        services_.freeDiskBytes = [](const std::string& folder) {
            return platform::shell::freeDiskBytes(folder).value_or(kUnknownFreeSpace);
        };
    if (!services_.fileExists)
        services_.fileExists = [](const std::string& path) {
            std::error_code error;
            return fs::is_regular_file(path, error);
        };
    if (!services_.makeAlbum)
        services_.makeAlbum = [this](int kind, QWidget* parent) -> std::unique_ptr<AlbumPanel> {
            return std::make_unique<StripAlbum>(kind, *services_.clock, *services_.printers, parent);
        };
    if (!services_.runSettingsSheet)
        services_.runSettingsSheet = [this](QWidget* owner, CapturedSettings& live, int& language) {
            SheetServices sheet;
            sheet.programFolder = options_.programFolder;
            return lumoset::runSettingsSheet(owner, live, language, sheet) == platform::ui::kIdOk;
        };
    picFolder_ = options_.dataFolder + "/PIC";
    aviFolder_ = options_.dataFolder + "/AVI";
    autosnapFolder_ = options_.dataFolder + "/AUTOSNAP";
}

MainWindow::~MainWindow()
{
    timers_.stopAll();
    if (channel_)
        channel_->closeCamera();
    freeBuffers();
}

bool MainWindow::initialise()
{
    // Window icon; the context-help rectangles are the fixed tables of
    // context_help.h.
    setWindowIcon(loadSkinIcon(kProgramIcon));

    photoAlbum_ = services_.makeAlbum(kPhotoAlbumKind, this);
    videoAlbum_ = services_.makeAlbum(kVideoAlbumKind, this);
    photoAlbum_->window()->setGeometry(kPhotoAlbumX, kAlbumTop, kAlbumWidth, kAlbumHeight);
    videoAlbum_->window()->setGeometry(kVideoAlbumX, kAlbumTop, kAlbumWidth, kAlbumHeight);
    photoAlbum_->window()->hide();
    videoAlbum_->window()->hide();

    PreviewServices previewServices;
    previewServices.messages = [this](int, const std::string& message) {
        platform::ui::messageBox(this, message, loadString(kStrProgramName));
    };
    preview_ = createPreview(this, previewServices);
    if (preview_ != nullptr)
        preview_->setPaletteDisplay(options_.paletteDisplay);
    notice_ = new ErrorNotice(this);

    skin_ = std::make_unique<MainSkin>(this, options_.paletteDisplay);
    if (!skin_->create())
        return false;
    for (int id : {kIdPhotoAlbumUp, kIdPhotoAlbumDown, kIdVideoAlbumUp, kIdVideoAlbumDown})
        if (BitmapButton* b = skin_->button(id))
            b->setEnabled(false);
    if (BitmapButton* stop = skin_->button(kIdStop))
        stop->setEnabled(false);

    channel_ = std::make_unique<DeviceChannel>(*services_.transport, *services_.clock, *this, *this);
    photoCapture_ = std::make_unique<PhotoCapture>(*channel_, *services_.clock, *services_.printers,
                                                   *this, *photoAlbum_, *videoAlbum_, still_);
    video_ = std::make_unique<VideoRecording>(*this, *photoCapture_, settings_, *services_.clock,
                                              services_.captureServices);
    if (!allocateBuffers()) {
        freeBuffers();
        showNotice(kStrMemoryInsufficient);
        skin_->placeControls();
        return true;
    }
    makeWorkingFolders();
    channel_->setPictureTables(&tables_);
    photoCapture_->setPictureTables(&tables_);

    initialised_ = true;
    channel_->startCamera();

    applyPreferences(settings_.loadPreferences());
    captured_ = CapturedSettings{};
    lastApplied_ = captured_;
    rebuildPictureTables();
    registerTooltips();
    skin_->placeControls();
    return true;
}

bool MainWindow::allocateBuffers()
{
    planeAHandle_ = GlobalAlloc(GMEM_MOVEABLE, kPlaneBufferBytes);
    planeBHandle_ = GlobalAlloc(GMEM_MOVEABLE, kPlaneBufferBytes);
    outputHandle_ = GlobalAlloc(GMEM_MOVEABLE, kOutputBufferBytes);
    if (!planeAHandle_ || !planeBHandle_ || !outputHandle_)
        return false;
    planeA_ = static_cast<std::uint8_t*>(GlobalLock(planeAHandle_));
    planeB_ = static_cast<std::uint8_t*>(GlobalLock(planeBHandle_));
    output_ = static_cast<std::uint8_t*>(GlobalLock(outputHandle_));
    if (!planeA_ || !planeB_ || !output_)
        return false;
    channel_->setFrameBuffers({planeA_, kPlaneBufferBytes}, {planeB_, kPlaneBufferBytes},
                              {output_, kOutputBufferBytes});
    photoCapture_->setFrameBuffers({planeA_, kPlaneBufferBytes}, {output_, kOutputBufferBytes});
    return true;
}

void MainWindow::freeBuffers()
{
    for (auto [handle, pointer] : {std::pair{&planeAHandle_, &planeA_}, std::pair{&planeBHandle_, &planeB_},
                                   std::pair{&outputHandle_, &output_}}) {
        if (*handle != nullptr) {
            if (*pointer != nullptr)
                GlobalUnlock(*handle);
            GlobalFree(*handle);
        }
        *handle = nullptr;
        *pointer = nullptr;
    }
}

void MainWindow::makeWorkingFolders()
{
    for (const std::string& folder : {aviFolder_, picFolder_, autosnapFolder_}) {
        std::error_code error;  // an existing folder is no error
        fs::create_directory(folder, error);
    }
}

void MainWindow::applyPreferences(const Preferences& p)
{
    state_.quality = p.quality;
    state_.speed = p.speed;
    state_.brightness = p.brightness;
    state_.contrast = p.contrast;
    state_.hue = p.hue;
    state_.saturation = p.saturation;
    state_.languageOffset = p.languageOffset;
    SkinFlags& flags = skin_->flags();
    flags.qualityLevel = state_.quality;
    flags.speedLevel = state_.speed;
    skin_->setSliderPositions(state_.hue, state_.saturation, state_.brightness, state_.contrast);
}

void MainWindow::rebuildPictureTables()
{
    buildPictureTables(tables_, state_.brightness, state_.contrast, state_.hue, state_.saturation);
}

void MainWindow::registerTooltips()
{
    std::map<QWidget*, int> tools;
    for (const TooltipTool& tool : skin_->tooltipTools())
        tools[tool.control] = tool.textBaseId;
    tooltips_.registerTools(tools, state_.languageOffset);
}

std::string MainWindow::text(int baseId) const
{
    return loadString(baseId + state_.languageOffset);
}

// ---------------------------------------------------------------- messages

void MainWindow::command(int controlId)
{
    switch (controlId) {
    case kIdExit:
        if (requestExit())
            close();
        break;
    case kIdColour:
        toggleColour();
        break;
    case kIdView:
        toggleView();
        break;
    case kIdZoom:
        toggleZoom();
        break;
    case kIdTakePicture:
        takePicture();
        break;
    case kIdPrint:
        stopPreviewTimer();
        photoCapture_->takePhoto(PhotoKind::Print);
        startPreviewTimer();
        state_.layoutPending = true;
        break;
    case kIdStop:
        stopActivity();
        break;
    case kIdRecord:
        video_->record();
        break;
    case kIdSetup:
        setup();
        break;
    case kIdReset:
        resetPicture();
        break;
    case kIdQuality:
        cycleQuality();
        break;
    case kIdSpeed:
        cycleSpeed();
        break;
    case kIdPhotoAlbumUp:
        photoAlbum_->scrollUp();
        refreshAlbumButtons(false);
        break;
    case kIdPhotoAlbumDown:
        photoAlbum_->scrollDown();
        refreshAlbumButtons(false);
        break;
    case kIdVideoAlbumUp:
        videoAlbum_->scrollUp();
        refreshAlbumButtons(true);
        break;
    case kIdVideoAlbumDown:
        videoAlbum_->scrollDown();
        refreshAlbumButtons(true);
        break;
    case kIdOpenPhotoAlbum:
        openPhotoAlbum();
        break;
    case kIdClosePhotoAlbum:
        closePhotoAlbum();
        break;
    case kIdOpenVideoAlbum:
        openVideoAlbum();
        break;
    case kIdCloseVideoAlbum:
        closeVideoAlbum();
        break;
    case kIdHelp:
        enterHelpMode();
        break;
    default:
        break;
    }
}

std::intptr_t MainWindow::windowMessage(std::uint32_t message, std::uintptr_t wParam,
                                        std::intptr_t lParam)
{
    switch (message) {
    case kWmCommand:
        if (platform::ui::commandNotification(wParam) == platform::ui::kBnClicked)
            command(platform::ui::commandId(wParam));
        return 0;
    case AlbumStrip::kUmArrowsChanged:
        refreshAlbumButtons(wParam == kVideoAlbumKind);
        return 0;
    case AlbumStrip::kUmError: {
        AlbumPanel* source = album(static_cast<int>(wParam));
        stopPreviewTimer();
        if (source != nullptr)
            showMessage(source->pendingMessageId() + state_.languageOffset);
        startPreviewTimer();
        return 0;
    }
    case platform::ui::kUmSliderChanged: {
        const int value = static_cast<int>(lParam);
        switch (wParam) {
        case AdjustSlider::kHue: state_.hue = value; break;
        case AdjustSlider::kSaturation: state_.saturation = value; break;
        case AdjustSlider::kBrightness: state_.brightness = value; break;
        case AdjustSlider::kContrast: state_.contrast = value; break;
        default: return 0;
        }
        rebuildPictureTables();
        return 0;
    }
    case platform::ui::kUmSliderDrag:
        if (wParam == 1)
            startPreviewTimer();
        else
            stopPreviewTimer();
        return 0;
    case platform::ui::kUmRelayTooltip:
        tooltips_.activate();
        if (!state_.helpMode && wParam != 0)
            tooltips_.relay(*platform::ui::relayedRecord(wParam));
        return 0;
    default:
        return 0;
    }
}

AlbumPanel* MainWindow::album(int kind) const
{
    if (kind == kPhotoAlbumKind)
        return photoAlbum_.get();
    if (kind == kVideoAlbumKind)
        return videoAlbum_.get();
    return nullptr;
}

// ------------------------------------------------------------ the commands

void MainWindow::toggleColour()
{
    state_.colorMode = !state_.colorMode;
    state_.colorPending = true;
    if (BitmapButton* b = skin_->button(kIdColour))
        b->setText(state_.colorMode ? kTextBlackWhite : kTextColour);
    skin_->flags().colour = state_.colorMode;
    skin_->redrawIndicators();
}

void MainWindow::toggleView()
{
    state_.largeView = !state_.largeView;
    state_.layoutPending = true;
    if (BitmapButton* b = skin_->button(kIdView))
        b->setText(state_.largeView ? kTextSmallView : kTextFullView);
    skin_->flags().view = state_.largeView;
    skin_->redrawIndicators();
}

void MainWindow::toggleZoom()
{
    state_.normalZoom = !state_.normalZoom;
    photoState_.zoomPending = true;
    if (BitmapButton* b = skin_->button(kIdZoom))
        b->setText(state_.normalZoom ? kTextZoomIn : kTextNormal);
    skin_->flags().zoom = state_.normalZoom;
    skin_->redrawIndicators();
}

void MainWindow::cycleQuality()
{
    state_.quality = (state_.quality + 1) % kQualityLevels;
    state_.qualityPending = true;
    skin_->flags().qualityLevel = state_.quality;
    skin_->redrawLevelLights();
}

void MainWindow::cycleSpeed()
{
    state_.speed = (state_.speed + 1) % kSpeedLevels;
    state_.speedPending = true;
    skin_->flags().speedLevel = state_.speed;
    skin_->redrawLevelLights();
}

void MainWindow::resetPicture()
{
    state_.quality = 1;
    state_.speed = 1;
    state_.brightness = state_.contrast = state_.hue = state_.saturation = 0;
    state_.layoutPending = true;
    // The camera's speed register must follow the speed shown, so it is
    // written again at the next tick.
    state_.speedPending = true;
    rebuildPictureTables();
    skin_->reset();
}

void MainWindow::takePicture()
{
    if (freeDiskBytes() < kTakePictureMinFreeBytes) {
        stopPreviewTimer();
        showMessage(kStrInsufficientDiskSpace + state_.languageOffset);
        startPreviewTimer();
        return;
    }
    if (captured_.autoSnap == 0) {
        stopPreviewTimer();
        photoCapture_->takePhoto(PhotoKind::Single);
        startPreviewTimer();
        state_.layoutPending = true;
        return;
    }
    state_.autoSnapRunning = true;
    setCaptureButtonsEnabled(false);
    if (BitmapButton* stop = skin_->button(kIdStop))
        stop->setEnabled(true);
    videoState_.busy = true;
    if (RecordButton* record = skin_->recordButton()) {
        record->setLook(0);
        record->setEnabled(false);
    }
    skin_->redrawIndicators();
    const long long intervalMs = captured_.snapIntervalSec * 1000;
    timers_.start(kTimerAutoSnap, static_cast<int>(std::min<long long>(intervalMs, INT32_MAX)));
    state_.shotsLeft = captured_.snapIntervalSec > 0
                           ? static_cast<int>(captured_.snapTotalSec / captured_.snapIntervalSec)
                           : 0;
    startProgress(captured_.snapTotalSec);
}

void MainWindow::seriesShot()
{
    if (state_.shotsLeft > 0) {
        stopPreviewTimer();
        const PhotoResult result = photoCapture_->takePhoto(PhotoKind::Series);
        startPreviewTimer();
        state_.layoutPending = true;
        --state_.shotsLeft;
        // A picture that could not be written ends the series: the user was
        // told once, and the next shots would fail the same way.
        if (result == PhotoResult::SaveFailed)
            stopActivity();
        return;
    }
    timers_.stop(kTimerAutoSnap);
    photoState_.seriesCount = 0;
    videoState_.busy = false;
    if (RecordButton* record = skin_->recordButton())
        record->setLook(1);
    setCaptureButtonsEnabled(true);
    if (BitmapButton* stop = skin_->button(kIdStop))
        stop->setEnabled(false);
    state_.autoSnapRunning = false;
    stopProgress();
    skin_->redrawIndicators();
}

void MainWindow::stopActivity()
{
    if (BitmapButton* stop = skin_->button(kIdStop))
        stop->setEnabled(false);
    setWaitCursor(true);
    if (state_.autoSnapRunning) {
        videoState_.busy = false;
        timers_.stop(kTimerAutoSnap);
        state_.autoSnapRunning = false;
        photoState_.seriesCount = 0;
        state_.shotsLeft = 0;
        stopProgress();
        if (RecordButton* record = skin_->recordButton()) {
            record->setLightActive(0);
            record->setLook(1);
            record->redrawLight();
        }
        setCaptureButtonsEnabled(!state_.deviceError);
        skin_->redrawIndicators();
    }
    if (videoState_.recording && video_)
        video_->stopRecording();
    setWaitCursor(false);
}

void MainWindow::setCaptureButtonsEnabled(bool enabled)
{
    for (int id : {kIdTakePicture, kIdPrint})
        if (BitmapButton* b = skin_->button(id))
            b->setEnabled(enabled);
    if (RecordButton* record = skin_->recordButton())
        record->setEnabled(enabled);
}

void MainWindow::startProgress(long long total)
{
    state_.progressTotal = static_cast<int>(std::clamp<long long>(total, 0, INT32_MAX));
    state_.progressCount = 0;
    skin_->setProgress(0, state_.progressTotal);
    timers_.start(kTimerProgress, kProgressPeriodMs);
}

void MainWindow::stopProgress()
{
    timers_.stop(kTimerProgress);
    state_.progressCount = 0;
    state_.progressTotal = 0;
    skin_->setProgress(1, 1);
}

void MainWindow::progressStep()
{
    // The device search reports a missing camera itself, which puts the
    // window into its device-error state and ends what was running.
    const bool present =
        videoState_.recording ? video_->searchCameraDuringRecording() : channel_->findDevice();
    if (present) {
        ++state_.progressCount;
        skin_->setProgress(state_.progressCount, state_.progressTotal);
    } else {
        state_.progressCount = state_.progressTotal;
        stopActivity();
    }
    if (state_.progressCount >= state_.progressTotal) {
        timers_.stop(kTimerProgress);
        skin_->setProgress(1, 1);
    }
}

// --------------------------------------------------------------- the albums

void MainWindow::placeAlbumWindows()
{
    photoAlbum_->window()->move(state_.videoAlbumOpen ? kPhotoAlbumXShifted : kPhotoAlbumX, kAlbumTop);
    videoAlbum_->window()->move(kVideoAlbumX, kAlbumTop);
}

void MainWindow::openPhotoAlbum()
{
    if (state_.photoAlbumOpen)
        return;
    state_.photoAlbumOpen = true;
    skin_->openPhotoAlbum();
    placeAlbumWindows();
    photoAlbum_->window()->show();
    if (BitmapButton* b = skin_->button(kIdOpenPhotoAlbum))
        b->setEnabled(false);
    refreshAlbumButtons(false);
}

void MainWindow::closePhotoAlbum()
{
    if (!state_.photoAlbumOpen)
        return;
    state_.photoAlbumOpen = false;
    skin_->closePhotoAlbum();
    photoAlbum_->window()->hide();
    if (BitmapButton* b = skin_->button(kIdOpenPhotoAlbum))
        b->setEnabled(true);
    state_.layoutPending = true;
}

void MainWindow::openVideoAlbum()
{
    if (state_.videoAlbumOpen)
        return;
    state_.videoAlbumOpen = true;
    state_.layoutPending = true;
    skin_->openVideoAlbum();
    placeAlbumWindows();
    videoAlbum_->window()->show();
    if (BitmapButton* b = skin_->button(kIdOpenVideoAlbum))
        b->setEnabled(false);
    refreshAlbumButtons(true);
    if (video_->captureWindow() != nullptr)
        preview_->positionPreview(state_.largeView, true, video_->captureWindow());
    if (notice_->isVisible())
        showNotice(kStrDeviceNotReady);
}

void MainWindow::closeVideoAlbum()
{
    if (!state_.videoAlbumOpen)
        return;
    state_.videoAlbumOpen = false;
    videoAlbum_->window()->hide();
    skin_->closeVideoAlbum();
    placeAlbumWindows();
    if (BitmapButton* b = skin_->button(kIdOpenVideoAlbum))
        b->setEnabled(true);
    state_.layoutPending = true;
    if (video_->captureWindow() != nullptr)
        preview_->positionPreview(state_.largeView, false, video_->captureWindow());
    if (notice_->isVisible())
        showNotice(kStrDeviceNotReady);
}

void MainWindow::refreshAlbumButtons(bool videoAlbum)
{
    AlbumPanel* panel = videoAlbum ? videoAlbum_.get() : photoAlbum_.get();
    if (panel == nullptr || !skin_)
        return;
    const int up = videoAlbum ? kIdVideoAlbumUp : kIdPhotoAlbumUp;
    const int down = videoAlbum ? kIdVideoAlbumDown : kIdPhotoAlbumDown;
    if (BitmapButton* b = skin_->button(up))
        b->setEnabled(panel->canScrollUp());
    if (BitmapButton* b = skin_->button(down))
        b->setEnabled(panel->canScrollDown());
    const int light = panel->itemCount() > 0 ? 1 : 0;
    (videoAlbum ? skin_->flags().videoLight : skin_->flags().photoLight) = light;
    skin_->redrawIndicators();
}

// ------------------------------------------------------- help and tooltips

void MainWindow::enterHelpMode()
{
    state_.helpMode = true;
    if (std::optional<QCursor> cursor = loadSkinCursor(kHelpCursor))
        setCursor(*cursor);
    else
        setCursor(Qt::WhatsThisCursor);
    grabMouse();
}

void MainWindow::contextHelp(QPoint point)
{
    unsetCursor();
    releaseMouse();
    const int languageIndex = state_.languageOffset / kLanguageOffsetStep;
    const std::string file = helpFileName(options_.programFolder, languageIndex, services_.fileExists);
    const bool drawerOpen = skin_->flags().drawerClosed == 0;
    for (int contextId : contextHelpTopics(point.x(), point.y(), drawerOpen, state_.videoAlbumOpen))
        if (services_.showHelpTopic)
            services_.showHelpTopic(this, file, contextId);
    state_.helpMode = false;
}

// ------------------------------------------------------------------ timers

void MainWindow::onTimer(int timerId)
{
    switch (timerId) {
    case kTimerPreview:
        previewTick();
        break;
    case kTimerAutoSnap:
        seriesShot();
        break;
    case kTimerRecord:
        video_->onRecordTick();
        break;
    case kTimerProgress:
        progressStep();
        break;
    case kTimerReconnect:
        reconnect();
        break;
    default:
        break;
    }
}

void MainWindow::previewTick()
{
    if (!state_.tickGuard || !initialised_)
        return;
    state_.tickGuard = false;
    struct Rearm {
        bool& guard;
        ~Rearm() { guard = true; }
    } rearm{state_.tickGuard};

    // Commands may run here, between ticks of a busy camera.
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
    if (closing_ || !channel_->isOpen() || !timers_.isRunning(kTimerPreview))
        return;

    const int poll = channel_->pollStatus();
    if (poll == kPollNoFrame) {
        channel_->sendCommand(kCmdEndTransfer);
        return;
    }
    if (poll != kPollFrameReady || photoState_.snapshotInProgress)
        return;

    if (state_.speedPending) {
        channel_->writeRegister(kSpeedRegister, speedRegisterValue(state_.speed));
        state_.speedPending = false;
    }
    if (state_.layoutPending || state_.qualityPending || photoState_.zoomPending) {
        state_.framesShown = 0;
        if (state_.layoutPending) {
            state_.layoutPending = false;
            const QRect old = preview_->geometry();
            preview_->positionPreview(state_.largeView, state_.videoAlbumOpen);
            update(old);
        }
        preview_->setDisplaySize(previewDisplaySize(state_.largeView));
        frameFormat_ = previewFrameFormat(state_.largeView, state_.normalZoom, state_.quality);
        channel_->sendCommand(frameFormat_.commandIndex);
        preview_->setPreviewFormat(frameFormat_.frame.width, frameFormat_.frame.height,
                                   state_.colorMode ? kColourBits : kGreyBits);
        photoState_.zoomPending = false;
        state_.qualityPending = false;
    }
    if (!channel_->isOpen())
        return;
    if (state_.colorPending)
        preview_->setPreviewFormat(frameFormat_.frame.width, frameFormat_.frame.height,
                                   state_.colorMode ? kColourBits : kGreyBits);
    if (photoState_.snapshotInProgress)
        return;

    if (channel_->readFrame(frameFormat_.frame.width, frameFormat_.frame.height) != kFrameRead)
        return;
    preview_->setFrameSource({output_, kOutputBufferBytes});
    preview_->showFrame();
    if (!state_.largeView && state_.framesShown == 0)
        update();
    ++state_.framesShown;
    preview_->update();
}

// ---------------------------------------------------- the device-error state

void MainWindow::reportCameraError(int code)
{
    showNotice(code == kCameraErrorOutOfMemory ? kStrMemoryInsufficient : kStrDeviceNotReady);
    if (state_.deviceError)
        return;
    state_.deviceError = true;
    stopActivity();
    setCaptureButtonsEnabled(false);
    photoState_.seriesCount = 0;
    channel_->closeCamera();
    timers_.start(kTimerReconnect, kReconnectPeriodMs);
}

void MainWindow::reconnect()
{
    if (!channel_->findDevice())
        return;
    state_.deviceError = false;
    timers_.stop(kTimerReconnect);
    notice_->showText({}, {});
    setCaptureButtonsEnabled(!state_.autoSnapRunning);
    if (channel_->startCamera())
        update(preview_->geometry());
}

void MainWindow::showNotice(int baseId)
{
    const QRect previewRect = preview_ != nullptr ? preview_->geometry() : QRect(61, 33, 320, 240);
    notice_->showText(loadString(baseId + state_.languageOffset), previewRect);
}

std::string MainWindow::noticeText() const
{
    return notice_ != nullptr && notice_->isVisible() ? notice_->text() : std::string();
}

// ---------------------------------------------------- DeviceChannelHost etc.

void MainWindow::repaintPreview()
{
    if (preview_ != nullptr)
        preview_->repaint();
}

void MainWindow::startPreviewTimer()
{
    if (closing_ || state_.deviceError || state_.previewPaused)
        return;
    timers_.start(kTimerPreview, kPreviewPeriodMs);
}

void MainWindow::stopPreviewTimer()
{
    timers_.stop(kTimerPreview);
}

void MainWindow::raiseStartPendingFlags()
{
    state_.colorPending = true;
    state_.layoutPending = true;
    state_.speedPending = true;
}

void MainWindow::setFramesShown(int count)
{
    state_.framesShown = count;
}

bool MainWindow::colourMode() const
{
    return state_.colorMode != 0;
}

bool MainWindow::normalZoom() const
{
    return state_.normalZoom != 0;
}

bool MainWindow::autoSnapRunning() const
{
    return state_.autoSnapRunning;
}

int MainWindow::languageOffset() const
{
    return state_.languageOffset;
}

std::uint64_t MainWindow::freeDiskBytes() const
{
    return services_.freeDiskBytes(options_.dataFolder);
}

void MainWindow::setWaitCursor(bool on)
{
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void MainWindow::showMessage(int stringId)
{
    platform::ui::messageBox(this, loadString(stringId), loadString(kStrProgramName));
}

// ---------------------------------------------------------- settings sheet

void MainWindow::setup()
{
    stopPreviewTimer();
    int language = state_.languageOffset / kLanguageOffsetStep;
    const bool accepted = services_.runSettingsSheet(this, captured_, language);
    if (accepted) {
        const SheetChanges changes = applySheetChanges(lastApplied_, captured_);
        SkinFlags& flags = skin_->flags();
        flags.photoSize = captured_.photoSize;
        flags.photoMode = captured_.autoSnap;
        flags.recordingMode = captured_.videoType;
        flags.videoSize = captured_.videoSize;
        if (changes.video)
            flags.sound = changes.soundIndicator;
        if (changes.any())
            skin_->redrawIndicators();
        lastApplied_ = captured_;
        state_.languageOffset = language * kLanguageOffsetStep;
    }
    startPreviewTimer();
    if (tooltips_.updateLanguage(state_.languageOffset) && notice_->isVisible())
        showNotice(kStrDeviceNotReady);
}

// ---------------------------------------------------------------- VideoHost

bool MainWindow::videoAlbumFull()
{
    return videoAlbum_->isFull();
}

QRect MainWindow::previewRect() const
{
    return preview_ != nullptr ? preview_->geometry() : QRect();
}

void MainWindow::startTimer(int timerId, int intervalMs)
{
    timers_.start(timerId, intervalMs);
}

void MainWindow::stopTimer(int timerId)
{
    timers_.stop(timerId);
}

void MainWindow::setActivityLamp(bool on)
{
    if (RecordButton* record = skin_->recordButton())
        record->setLook(on ? 0 : 1);
}

void MainWindow::setRecordLamp(RecordLamp lamp)
{
    RecordButton* record = skin_->recordButton();
    if (record == nullptr)
        return;
    record->setLightMode(captured_.videoType);
    record->setLightActive(lamp == RecordLamp::Idle ? 0 : 1);
    record->setLightAlert(lamp == RecordLamp::Frame ? 1 : 0);
    record->redrawLight();
}

void MainWindow::redrawSkin()
{
    skin_->redrawIndicators();
}

void MainWindow::enableButton(RecordingButton button, bool enabled)
{
    BitmapButton* key = nullptr;
    switch (button) {
    case RecordingButton::TakePicture: key = skin_->button(kIdTakePicture); break;
    case RecordingButton::Print: key = skin_->button(kIdPrint); break;
    case RecordingButton::Record: key = skin_->recordButton(); break;
    case RecordingButton::Stop: key = skin_->button(kIdStop); break;
    }
    if (key != nullptr)
        key->setEnabled(enabled && (button == RecordingButton::Stop || !state_.deviceError));
    // The picture keys stay still while the capture service has the camera.
    skin_->enableViewButtons(!videoState_.recording);
}

void MainWindow::closeCamera()
{
    channel_->closeCamera();
}

bool MainWindow::startCamera()
{
    if (state_.deviceError)
        return false;
    return channel_->startCamera();
}

bool MainWindow::searchCamera()
{
    return channel_->findDevice();
}

// ------------------------------------------------------------ window events

void MainWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (skin_)
        skin_->paint(painter);
    else
        painter.fillRect(rect(), Qt::black);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (state_.helpMode || !skin_)
        return;
    if (videoState_.busy == false && skin_->drawerRegion().contains(event->position().toPoint())) {
        if (std::optional<QCursor> cursor = loadSkinCursor(kDrawerCursor))
            setCursor(*cursor);
    } else {
        unsetCursor();
    }
}

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !skin_)
        return;
    const QPoint point = event->position().toPoint();
    if (state_.helpMode) {
        contextHelp(point);
        return;
    }
    if (skin_->drawerRegion().contains(point))
        skin_->toggleDrawer();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (closing_ || requestExit())
        event->accept();
    else
        event->ignore();
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange) {
        if (isMinimized()) {
            state_.restoreItemEnabled = true;
            state_.minimizeItemEnabled = false;
            if (timers_.isRunning(kTimerPreview)) {
                stopPreviewTimer();
                state_.previewPaused = true;
            }
        } else {
            state_.restoreItemEnabled = false;
            state_.minimizeItemEnabled = true;
            if (state_.previewPaused) {
                state_.previewPaused = false;
                startPreviewTimer();
            }
        }
    }
    QWidget::changeEvent(event);
}

// ---------------------------------------------------------------- exiting

bool MainWindow::requestExit()
{
    if (closing_)
        return true;
    stopPreviewTimer();
    const bool holdsItems = photoAlbum_ && videoAlbum_ &&
                            (photoAlbum_->itemCount() > 0 || videoAlbum_->itemCount() > 0);
    if (holdsItems) {
        const int answer = platform::ui::messageBox(this, text(kStrExitQuestion),
                                                    loadString(kStrProgramName),
                                                    platform::ui::kMbYesNo);
        if (answer != platform::ui::kIdYes) {
            if (!videoState_.recording && channel_ && channel_->isOpen())
                startPreviewTimer();
            return false;
        }
    }
    closing_ = true;
    if (skin_)
        stopActivity();
    timers_.stopAll();
    if (channel_)
        channel_->closeCamera();
    imaging::release(still_);
    if (initialised_)
        deleteRunFiles();
    Preferences p;
    p.quality = state_.quality;
    p.speed = state_.speed;
    p.brightness = state_.brightness;
    p.contrast = state_.contrast;
    p.hue = state_.hue;
    p.saturation = state_.saturation;
    p.languageOffset = state_.languageOffset;
    if (initialised_)
        settings_.savePreferences(p);
    return true;
}

void MainWindow::deleteRunFiles()
{
    std::error_code error;
    for (int n = 1; n <= photoState_.videoCount; ++n) {
        fs::remove(numberedFile(aviFolder_, "CAP", n, ".bmp"), error);
        fs::remove(numberedFile(aviFolder_, "CAP", n, ".avi"), error);
    }
    fs::remove(aviFolder_, error);  // only when empty
    for (int n = 1; n <= photoState_.photoCount; ++n)
        fs::remove(numberedFile(picFolder_, "PIC", n, ".bmp"), error);
    fs::remove(picFolder_, error);
    // Series pictures are the user's: the folder goes only when empty.
    fs::remove(autosnapFolder_, error);
}

} // namespace lumoset
