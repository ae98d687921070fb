#include "module/camera_connection.h"

#include "imaging/dib.h"
#include "module/camera_access.h"
#include "module/module_strings.h"
#include "platform/ui/message_box.h"

#include <QGuiApplication>
#include <QScreen>

#include <cstring>

namespace ostrel2 {
namespace {

constexpr int kGrayTableEntries = 256;
constexpr int kColourBits = 24;
constexpr int kGrayBits = 8;
constexpr int kMinTrueColourDepth = 16;

bool isCaptureSize(int width, int height)
{
    for (const CaptureSize& s : kCaptureSizes)
        if (s.width == width && s.height == height)
            return true;
    return false;
}

} // namespace

unsigned connectionWarningStyle()
{
    return platform::ui::kMbOk | platform::ui::kMbIconWarning | platform::ui::kMbTaskModal |
           platform::ui::kMbSetForeground;
}

HGLOBAL makeTransferDib(bool colour, int width, int height, const std::uint8_t* pixels)
{
    if (pixels == nullptr || !isCaptureSize(width, height))
        return nullptr;
    const std::size_t area = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::size_t tableBytes = colour ? 0 : kGrayTableEntries * 4;
    const std::size_t pixelBytes = colour ? area * 3 : area;
    HGLOBAL block = GlobalAlloc(GHND, imaging::kBitmapInfoHeaderSize + tableBytes + pixelBytes);
    auto* bytes = static_cast<std::uint8_t*>(GlobalLock(block));
    if (bytes == nullptr) {
        GlobalFree(block);
        return nullptr;
    }
    imaging::BitmapInfoHeader header;
    header.width = width;
    header.height = height;
    header.bitCount = static_cast<std::uint16_t>(colour ? kColourBits : kGrayBits);
    header.clrUsed = colour ? 0 : kGrayTableEntries;
    header.clrImportant = colour ? 0 : kGrayTableEntries;
    imaging::writeBitmapInfoHeader(header, bytes);
    std::uint8_t* table = bytes + imaging::kBitmapInfoHeaderSize;
    for (std::size_t i = 0; i < tableBytes / 4; ++i) {
        table[4 * i + 0] = table[4 * i + 1] = table[4 * i + 2] = static_cast<std::uint8_t>(i);
        table[4 * i + 3] = 0;
    }
    std::memcpy(table + tableBytes, pixels, pixelBytes);
    GlobalUnlock(block);
    return block;
}

CameraConnection::CameraConnection(ModuleSettings& settings, CameraAccess& camera, CameraConnectionHost& host)
    : settings_(settings), camera_(camera), host_(host)
{
}

CameraConnection::~CameraConnection()
{
    releaseBuffers();
}

void CameraConnection::setState(CameraState state)
{
    state_ = state;
    host_.cameraStateChanged(state);
}

void CameraConnection::showWarning(int n)
{
    platform::ui::messageBox(host_.messageOwner(), moduleString(settings_.language, n), productName(),
                             connectionWarningStyle());
}

void CameraConnection::becomeReady()
{
    setState(CameraState::Ready);
    host_.startCameraTimer(kLiveTimerMs);
    if (!parametersApplied_)
        applyParameters();
}

void CameraConnection::connect()
{
    parametersApplied_ = false;
    if (camera_.init() != 0) {
        becomeReady();
        return;
    }
    setState(CameraState::NotReady);
    showWarning(kStrDeviceNotReady);
    host_.startCameraTimer(kIdleTimerMs);
}

void CameraConnection::retry()
{
    if (camera_.init() == 0)
        return;
    if (!parametersApplied_)
        applyParameters();
    host_.stopCameraTimer();
    setState(CameraState::Ready);
    host_.startCameraTimer(kLiveTimerMs);
}

void CameraConnection::sendPicture()
{
    camera_.setting(kSettingPicture, settings_.parameters.brightness, settings_.parameters.contrast);
}

void CameraConnection::sendColour()
{
    camera_.setting(kSettingColour, settings_.parameters.hue, settings_.parameters.saturation);
}

void CameraConnection::sendShutter()
{
    const int index = ((settings_.parameters.shutterIndex % kShutterSteps) + kShutterSteps) % kShutterSteps;
    camera_.setting(kSettingShutter, kShutterCharacters[index], 0);
}

void CameraConnection::applyParameters()
{
    sendColour();
    sendPicture();
    sendShutter();
    parametersApplied_ = true;
}

bool CameraConnection::takeBuffer(HGLOBAL& handle, std::uint8_t*& bytes, std::size_t size)
{
    if (bytes != nullptr)
        return true;
    handle = GlobalAlloc(GHND, size);
    bytes = static_cast<std::uint8_t*>(GlobalLock(handle));
    if (bytes == nullptr) {
        GlobalFree(handle);
        handle = nullptr;
        showWarning(kStrMemoryInsufficient);
        return false;
    }
    return true;
}

void CameraConnection::freeBuffer(HGLOBAL& handle, std::uint8_t*& bytes)
{
    if (handle != nullptr) {
        GlobalUnlock(handle);
        GlobalFree(handle);
    }
    handle = nullptr;
    bytes = nullptr;
}

QSize CameraConnection::previewSize() const
{
    return settings_.fullView ? QSize(320, 240) : QSize(160, 120);
}

QPoint CameraConnection::previewOrigin() const
{
    return settings_.fullView ? kFullViewOrigin : kSmallViewOrigin;
}

void CameraConnection::previewFrame()
{
    if (previewUnderWay_)
        return;
    previewUnderWay_ = true;
    if (!displayStarted_) {
        displayStarted_ = true;
        takeBuffer(frameBuffer_, frameBytes_, kFrameBufferBytes);
        const QScreen* screen = QGuiApplication::primaryScreen();
        trueColourDisplay_ = screen == nullptr || screen->depth() >= kMinTrueColourDepth;
    }
    const QSize size = previewSize();
    const int colourMode = settings_.colour ? kColourModeColour : kColourModeGray;
    // Made anew only when the view size or mode changed: the same header
    // then serves every frame, and no frame allocates.
    const int bits = settings_.colour ? kColourBits : kGrayBits;
    if (display_.Size() != size || display_.BitsPerPixel() != bits)
        display_.Create(size.width(), size.height(), bits);
    // No picture is fetched into a buffer that could not be had.
    if (frameBytes_ != nullptr &&
        camera_.getImage(colourMode, size.width(), size.height(), settings_.viewQualityCode(), frameBytes_) != 0) {
        display_.SetPixels(frameBytes_);
        if (restoreBackground_) {
            host_.restorePreviewBackground();
            restoreBackground_ = false;
        }
        if (!host_.drawPicture(display_, QRect(previewOrigin(), size)))
            host_.stopCameraTimer();
    } else if (frameBytes_ != nullptr) {
        // The camera is gone: say so in the preview area and retry quietly.
        host_.restorePreviewBackground();
        host_.drawPreviewText(moduleString(settings_.language, kStrDeviceNotReady), kNotReadyTextOrigin,
                              kNotReadyTextColour);
        host_.stopCameraTimer();
        camera_.fini();
        setState(CameraState::NotReady);
        host_.startCameraTimer(kIdleTimerMs);
    }
    previewUnderWay_ = false;
}

bool CameraConnection::takePicture()
{
    pictureTaken_ = false;
    if (!takeBuffer(captureBuffer_, captureBytes_, kCaptureBufferBytes))
        return false;
    const CaptureSize size = settings_.captureSize();
    const bool colour = settings_.colour;
    // A failed grab leaves whatever the buffer held before: not a picture.
    if (camera_.getImage(colour ? kColourModeColour : kColourModeGray, size.width, size.height,
                         settings_.captureQualityCode(), captureBytes_) == 0)
        return false;
    pictureTaken_ = true;
    taken_ = size;
    takenInColour_ = colour;
    display_.Create(size.width, size.height, colour ? kColourBits : kGrayBits);
    display_.SetPixels(captureBytes_);

    // Shown from a copy, stretched from the full size onto the preview size.
    shownPicture_.Create(size.width, size.height, colour ? kColourBits : kGrayBits);
    shownPixels_.assign(captureBytes_, captureBytes_ + shownPicture_.ImageSize());
    shownPicture_.SetPixels(shownPixels_.data());
    host_.drawPicture(shownPicture_, QRect(previewOrigin(), previewSize()));
    return true;
}

bool CameraConnection::buildPendingImage(imaging::Bitmap& pending)
{
    if (!pictureTaken_ || captureBytes_ == nullptr)
        return false;
    HGLOBAL block = makeTransferDib(takenInColour_, taken_.width, taken_.height, captureBytes_);
    if (block == nullptr) {
        showWarning(kStrMemoryInsufficient);
        return false;
    }
    imaging::Bitmap image;
    const int bits = takenInColour_ ? kColourBits : kGrayBits;
    if (imaging::initialise(image, taken_.width, taken_.height, bits) != imaging::kSuccess ||
        imaging::allocateStorage(image) != imaging::kSuccess) {
        GlobalFree(block);
        showWarning(kStrMemoryInsufficient);
        return false;
    }
    // The block passes to the imaging library, which frees it.
    if (imaging::fromDibHandle(image, block) != imaging::kSuccess)
        return false;
    pending = std::move(image);
    if (readyToScan_)
        readyToScan_();
    return true;
}

void CameraConnection::setBrightness(int value)
{
    settings_.parameters.brightness = value;
    sendPicture();
}

void CameraConnection::setContrast(int value)
{
    settings_.parameters.contrast = value;
    sendPicture();
}

void CameraConnection::setHue(int value)
{
    settings_.parameters.hue = value;
    sendColour();
}

void CameraConnection::setSaturation(int value)
{
    settings_.parameters.saturation = value;
    sendColour();
}

void CameraConnection::stepShutter()
{
    settings_.parameters.shutterIndex = (settings_.parameters.shutterIndex + 1) % kShutterSteps;
    sendShutter();
}

void CameraConnection::stepViewQuality()
{
    settings_.viewQualityIndex = (settings_.viewQualityIndex + 1) % kViewQualityLevels;
}

void CameraConnection::toggleZoom()
{
    settings_.zoom = !settings_.zoom;
}

void CameraConnection::reset()
{
    settings_.viewQualityIndex = 0;
    settings_.parameters.shutterIndex = 0;
    sendShutter();
    settings_.parameters.brightness = 0;
    settings_.parameters.contrast = 0;
    settings_.parameters.hue = 0;
    settings_.parameters.saturation = 0;
    host_.centreSliders();
    sendColour();
    sendPicture();
}

void CameraConnection::disconnect()
{
    camera_.fini();
}

void CameraConnection::releaseBuffers()
{
    display_.Release();
    shownPicture_.Release();
    shownPixels_.clear();
    freeBuffer(frameBuffer_, frameBytes_);
    freeBuffer(captureBuffer_, captureBytes_);
    pictureTaken_ = false;
    displayStarted_ = false;
}

} // namespace ostrel2
