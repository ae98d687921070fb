#include "camera/capture/preview_window.h"

#include "camera/capture/picture_convert.h"
#include "camera/core/string_table.h"

#include <QList>
#include <QPainter>
#include <QTransform>

#include <algorithm>

namespace lumoset {
namespace {

QList<QRgb> sharedPaletteColours()
{
    QList<QRgb> colours;
    colours.reserve(kSharedPaletteSize);
    for (const PaletteColour& c : sharedPalette())
        colours.push_back(qRgb(c.red, c.green, c.blue));
    return colours;
}

} // namespace

QRect toQRect(const PreviewRect& r)
{
    return QRect(QPoint(r.left, r.top), QSize(r.width(), r.height()));
}

QRect captureWindowRect(const QRect& preview)
{
    return QRect(preview.topLeft(), preview.size() + QSize(1, 1));
}

PreviewWindow::PreviewWindow(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setGeometry(toQRect(initialPreviewRectangle()));
}

PreviewWindow* createPreview(QWidget* mainWindow, const PreviewServices& services)
{
    auto* window = new PreviewWindow(mainWindow);
    window->hide();
    window->surface_ = services.makeSurface
                           ? services.makeSurface(PreviewWindow::kSurfaceWidth,
                                                  PreviewWindow::kSurfaceHeight)
                           : QImage(PreviewWindow::kSurfaceWidth, PreviewWindow::kSurfaceHeight,
                                    QImage::Format_RGB32);
    if (window->surface_.isNull() || window->surface_.width() < PreviewWindow::kSurfaceWidth ||
        window->surface_.height() < PreviewWindow::kSurfaceHeight) {
        delete window;
        if (services.messages) {
            // Always the English text, whatever the language.
            services.messages(kStrFailToCreateWindow, loadString(kStrFailToCreateWindow));
        }
        return nullptr;
    }
    window->surface_.fill(Qt::black);
    window->show();
    return window;
}

bool PreviewWindow::setPreviewFormat(int width, int height, int bitsPerPixel)
{
    const std::size_t rowBytes = dibRowBytes(width, bitsPerPixel);
    if (rowBytes == 0 || height < 1 || height > kMaxFrameDimension)
        return false;
    description_.width = width;
    description_.height = height;
    description_.bitsPerPixel = bitsPerPixel;
    description_.rowBytes = rowBytes;
    description_.imageBytes = rowBytes * static_cast<std::size_t>(height);
    description_.palette = bitsPerPixel == kGreyBitsPerPixel ? &greyPalette() : nullptr;
    preparePaletteFrame();
    return true;
}

void PreviewWindow::setPaletteDisplay(bool on)
{
    paletteDisplay_ = on;
    preparePaletteFrame();
}

// The dithered frame is made when the format or the display changes, so that
// showing a frame allocates no pixels.
void PreviewWindow::preparePaletteFrame()
{
    if (!paletteDisplay_ || description_.bitsPerPixel == 0) {
        paletteFrame_ = QImage();
        return;
    }
    if (paletteFrame_.width() == description_.width &&
        paletteFrame_.height() == description_.height)
        return;
    paletteFrame_ = QImage(description_.width, description_.height, QImage::Format_Indexed8);
    if (!paletteFrame_.isNull())
        paletteFrame_.setColorTable(sharedPaletteColours());
}

void PreviewWindow::setDisplaySize(FrameSize size)
{
    display_.width = std::clamp(size.width, 1, kSurfaceWidth);
    display_.height = std::clamp(size.height, 1, kSurfaceHeight);
}

bool PreviewWindow::showFrame()
{
    const PreviewImageDescription& d = description_;
    if (d.bitsPerPixel == 0 || frame_.data() == nullptr || frame_.size() < d.imageBytes)
        return false;

    // The frame is a bottom-up bitmap body: QImage sees it upside down and the
    // painter turns it over while stretching.
    QImage wrapped;
    const QImage* frame = &wrapped;
    if (paletteDisplay_) {
        if (paletteFrame_.isNull() ||
            static_cast<std::size_t>(paletteFrame_.bytesPerLine()) !=
                dibRowBytes(d.width, kGreyBitsPerPixel))
            return false;
        std::span<std::uint8_t> dithered(paletteFrame_.bits(),
                                         static_cast<std::size_t>(paletteFrame_.sizeInBytes()));
        const bool ok = d.bitsPerPixel == kColourBitsPerPixel
                            ? ditherColourToSharedPalette(frame_, d.width, d.height, dithered)
                            : ditherIndexedToSharedPalette(frame_, *d.palette, d.width, d.height,
                                                           dithered);
        if (!ok)
            return false;
        frame = &paletteFrame_;
    } else {
        // Grey levels with the palette (i, i, i) are exactly Qt's 8-bit grey.
        wrapped = QImage(frame_.data(), d.width, d.height, static_cast<qsizetype>(d.rowBytes),
                       d.bitsPerPixel == kColourBitsPerPixel ? QImage::Format_BGR888
                                                             : QImage::Format_Grayscale8);
    }

    QPainter painter(&surface_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setTransform(QTransform(1, 0, 0, -1, 0, display_.height));
    painter.drawImage(QRect(0, 0, display_.width, display_.height), *frame);
    return true;
}

QRect PreviewWindow::positionPreview(bool largeView, bool videoAlbumOpen, QWidget* captureWindow)
{
    const QRect place = toQRect(previewRectangle(largeView, videoAlbumOpen));
    setGeometry(place);
    if (captureWindow)
        captureWindow->setGeometry(captureWindowRect(place));
    return place;
}

void PreviewWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), surface_);
}

} // namespace lumoset
