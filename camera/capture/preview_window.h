#pragma once
// The live picture: a child window of the main window that shows the frame
// in the main window's output buffer, stretched to the view size.
//
// The window owns a 320 x 240 off-screen surface (black when made) and an
// image description of the frames it shows (size, 24-bit colour or 8-bit grey
// with the grey palette). showFrame draws the output buffer straight into the
// surface at the displayed size, without copying the frame first; painting
// copies the surface to the screen. On a palette display (the program's
// --palette-display switch) every frame is first dithered onto the shared
// 216-colour palette and drawn without smoothing, so only palette colours
// reach the screen.

#include "camera/capture/palette_dither.h"
#include "camera/capture/picture_formats.h"

#include <QImage>
#include <QRect>
#include <QWidget>

#include <array>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace lumoset {

// Shows a failure to the user (the main window wires this to its message
// boxes): the string id and its text.
using PreviewMessageSink = std::function<void(int stringId, const std::string& text)>;

struct PreviewServices {
    PreviewMessageSink messages;
    // Makes the off-screen surface; a null image means it cannot be made.
    // A plain RGB32 image when empty.
    std::function<QImage(int width, int height)> makeSurface;
};

struct PreviewImageDescription {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;     // 24 colour, 8 grey; 0 before the first format
    std::size_t rowBytes = 0; // padded to four bytes
    std::size_t imageBytes = 0;
    // For 8 bits: entry i is (i, i, i).
    const std::array<PaletteColour, 256>* palette = nullptr;
};

class PreviewWindow final : public QWidget {
public:
    static constexpr int kSurfaceWidth = 320;
    static constexpr int kSurfaceHeight = 240;

    // The image description for frames of this size and depth (24 or 8
    // bits). False, keeping the previous description, for any other depth or
    // a size that cannot be a frame.
    bool setPreviewFormat(int width, int height, int bitsPerPixel);
    const PreviewImageDescription& description() const { return description_; }

    // The size frames are stretched to: 320 x 240 or 160 x 120 (never more
    // than the surface).
    void setDisplaySize(FrameSize size);
    FrameSize displaySize() const { return display_; }

    // The buffer showFrame reads: the main window's output buffer. Not owned;
    // it must stay valid while it is set.
    void setFrameSource(std::span<const std::uint8_t> pixels) { frame_ = pixels; }

    // Stretch the frame into the surface at the displayed size. False, drawing
    // nothing, without a description or when the buffer is smaller than the
    // description's image.
    bool showFrame();

    // Move to the rectangle of the view and video-album state. A capture
    // window given here (one runs during time-lapse and manual recording) is
    // moved to the same place, one pixel wider and higher. Returns the new
    // rectangle.
    QRect positionPreview(bool largeView, bool videoAlbumOpen, QWidget* captureWindow = nullptr);

    void setPaletteDisplay(bool on);
    bool paletteDisplay() const { return paletteDisplay_; }

    const QImage& surface() const { return surface_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend PreviewWindow* createPreview(QWidget*, const PreviewServices&);
    explicit PreviewWindow(QWidget* parent);
    void preparePaletteFrame();

    QImage surface_;
    PreviewImageDescription description_;
    FrameSize display_{kSurfaceWidth, kSurfaceHeight};
    std::span<const std::uint8_t> frame_;
    bool paletteDisplay_ = false;
    QImage paletteFrame_; // the dithered frame on a palette display
};

// Creates the preview window as a child of the main window at the large-view
// rectangle and shows it. When the surface cannot be made, reports string
// 10304 ("Fail to create window!", always English) through the sink and
// returns null. The window is owned by its parent.
PreviewWindow* createPreview(QWidget* mainWindow, const PreviewServices& services);

// The capture window's place over a preview at `preview`.
QRect captureWindowRect(const QRect& preview);

// A QRect from a preview-table rectangle.
QRect toQRect(const PreviewRect& r);

} // namespace lumoset
