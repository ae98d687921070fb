#include "platform/vfw/capture_window.h"

#include <QPainter>
#include <QTimerEvent>

#include <algorithm>
#include <cstring>

namespace platform::vfw {

namespace {

// The preview waits at most this long for the driver's frame, so the window
// thread never stalls on a slow camera.
constexpr std::uint32_t kPreviewGrabTimeoutMs = 40;
constexpr std::size_t kMaxPathBytes = 4096;

template <typename Record>
bool readRecord(std::uintptr_t size, std::intptr_t address, Record& out)
{
    if (address == 0 || size < sizeof(Record))
        return false;
    std::memcpy(&out, reinterpret_cast<const void*>(address), sizeof(Record));
    return true;
}

template <typename Record>
bool writeRecord(std::uintptr_t size, std::intptr_t address, const Record& in)
{
    if (address == 0 || size < sizeof(Record))
        return false;
    std::memcpy(reinterpret_cast<void*>(address), &in, sizeof(Record));
    return true;
}

bool copyText(std::uintptr_t size, std::intptr_t address, const std::string& text)
{
    if (address == 0 || size == 0)
        return false;
    const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
    auto* out = reinterpret_cast<char*>(address);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return true;
}

// A DIB body (bottom-up rows padded to four bytes) as a top-down image.
QImage imageOfFrame(const std::vector<std::uint8_t>& pixels, const VfwVideoFormat& format)
{
    const bool grey = format.bitsPerPixel == 8;
    const int stride = ((format.width * format.bitsPerPixel + 31) / 32) * 4;
    if (format.width <= 0 || format.height <= 0 ||
        pixels.size() < static_cast<std::size_t>(stride) * static_cast<std::size_t>(format.height))
        return {};
    QImage image(format.width, format.height, grey ? QImage::Format_Grayscale8 : QImage::Format_BGR888);
    for (int y = 0; y < format.height; ++y) {
        const std::uint8_t* source = pixels.data() + static_cast<std::size_t>(format.height - 1 - y) * stride;
        std::memcpy(image.scanLine(y), source, static_cast<std::size_t>(format.width) * (grey ? 1 : 3));
    }
    return image;
}

} // namespace

CaptureWindow::CaptureWindow(QWidget* parent, int controlId, CaptureServices services)
    : QWidget(parent), controlId_(controlId), services_(std::move(services)),
      engine_(services_.audioSources ? services_.audioSources : AudioSourceFactory([] { return makeAlsaAudioSource(); }),
              [this](CaptureNotice notice) {
                  // From the capture thread: hand it to the window's thread.
                  QMetaObject::invokeMethod(
                      this, [this, notice] {
                          if (services_.onNotice)
                              services_.onNotice(notice);
                      },
                      Qt::QueuedConnection);
              })
{
    setWindowTitle(kCaptureWindowTitle);
    setObjectName(kCaptureWindowTitle);
    setAttribute(Qt::WA_OpaquePaintEvent);
    engine_.setSegmentLimit(services_.segmentLimit);
}

CaptureWindow::~CaptureWindow()
{
    // The capture thread must be gone before the window it reports to.
    engine_.disconnect();
}

std::intptr_t CaptureWindow::windowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    switch (message) {
    case kWmCapDriverConnect: {
        if (wParam > static_cast<std::uintptr_t>(kMaxDriverIndex))
            return kCapFalse;
        const bool ok = engine_.connect(static_cast<int>(wParam));
        updatePreviewTimer();
        return ok ? kCapTrue : kCapFalse;
    }
    case kWmCapDriverDisconnect:
        killTimer(previewTimer_);
        previewTimer_ = 0;
        engine_.disconnect();
        return kCapTrue;
    case kWmCapDriverGetNameA:
    case kWmCapDriverGetVersionA: {
        if (!engine_.connected())
            return kCapFalse;
        const auto description = driverDescription(static_cast<int>(engine_.driverCaps().wDeviceIndex));
        if (!description)
            return kCapFalse;
        return copyText(wParam, lParam, message == kWmCapDriverGetNameA ? description->name : description->version)
                   ? kCapTrue : kCapFalse;
    }
    case kWmCapDriverGetCaps:
        return engine_.connected() && writeRecord(wParam, lParam, engine_.driverCaps()) ? kCapTrue : kCapFalse;
    case kWmCapGetStatus:
        return engine_.connected() && writeRecord(wParam, lParam, engine_.status()) ? kCapTrue : kCapFalse;
    case kWmCapGetSequenceSetup:
        return engine_.connected() && writeRecord(wParam, lParam, engine_.sequenceSetup()) ? kCapTrue : kCapFalse;
    case kWmCapSetSequenceSetup: {
        CaptureParms parms{};
        return engine_.connected() && readRecord(wParam, lParam, parms) && engine_.setSequenceSetup(parms)
                   ? kCapTrue : kCapFalse;
    }
    case kWmCapGetAudioFormat:
        return writeRecord(wParam, lParam, engine_.audioFormat()) ? kCapTrue : kCapFalse;
    case kWmCapSetAudioFormat: {
        WaveFormatEx format{};
        return readRecord(wParam, lParam, format) && engine_.setAudioFormat(format) ? kCapTrue : kCapFalse;
    }
    case kWmCapFileSetCaptureFileA: {
        if (lParam == 0)
            return kCapFalse;
        const char* text = reinterpret_cast<const char*>(lParam);
        const std::size_t length = ::strnlen(text, kMaxPathBytes);
        if (length == kMaxPathBytes)
            return kCapFalse;
        return engine_.setCaptureFile(std::string(text, length)) ? kCapTrue : kCapFalse;
    }
    case kWmCapFileGetCaptureFileA:
        return copyText(wParam, lParam, engine_.captureFile()) ? kCapTrue : kCapFalse;
    case kWmCapSetPreview:
        preview_ = wParam != 0;
        updatePreviewTimer();
        return kCapTrue;
    case kWmCapSetPreviewRate:
        previewRateMs_ = static_cast<int>(std::min<std::uintptr_t>(wParam, 60000));
        updatePreviewTimer();
        return kCapTrue;
    case kWmCapSetScale:
        scale_ = wParam != 0;
        update();
        return kCapTrue;
    case kWmCapSequence:
        return engine_.startSequence() ? kCapTrue : kCapFalse;
    case kWmCapStop:
    case kWmCapAbort:
        return engine_.stop() ? kCapTrue : kCapFalse;
    case kWmCapSingleFrameOpen:
        return engine_.singleFrameOpen() ? kCapTrue : kCapFalse;
    case kWmCapSingleFrame:
        return engine_.singleFrame() ? kCapTrue : kCapFalse;
    case kWmCapSingleFrameClose:
        return engine_.singleFrameClose() ? kCapTrue : kCapFalse;
    default:
        return kCapFalse;
    }
}

void CaptureWindow::updatePreviewTimer()
{
    const bool want = preview_ && engine_.connected() && previewRateMs_ > 0;
    if (previewTimer_ != 0)
        killTimer(previewTimer_);
    previewTimer_ = want ? startTimer(previewRateMs_) : 0;
}

void CaptureWindow::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != previewTimer_) {
        QWidget::timerEvent(event);
        return;
    }
    if (isVisible())
        showPreviewFrame();
}

void CaptureWindow::showPreviewFrame()
{
    VfwVideoFormat format{};
    if (!engine_.previewFrame(previewPixels_, format, kPreviewGrabTimeoutMs))
        return;
    QImage image = imageOfFrame(previewPixels_, format);
    if (image.isNull())
        return;
    picture_ = std::move(image);
    ++previewFramesShown_;
    update();
}

void CaptureWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (picture_.isNull())
        return;
    if (scale_)
        painter.drawImage(rect(), picture_);
    else
        painter.drawImage(QPoint(0, 0), picture_);
}

QPointer<CaptureWindow> createCaptureWindow(QWidget* parent, int controlId, const QRect& rect, bool visible,
                                            CaptureServices services)
{
    if (parent == nullptr || rect.width() <= 0 || rect.height() <= 0)
        return nullptr;
    auto* window = new CaptureWindow(parent, controlId, std::move(services));
    window->setGeometry(rect);
    window->setVisible(visible);
    return window;
}

} // namespace platform::vfw
