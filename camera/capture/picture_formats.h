#pragma once
// Where the live picture goes and which frames the camera is asked for: the
// preview rectangles of the main window, the frame format chosen by view,
// zoom and quality, and the camera's speed register value.

namespace lumoset {

// Main-window client coordinates; right and bottom are exclusive.
struct PreviewRect {
    int left;
    int top;
    int right;
    int bottom;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const PreviewRect&, const PreviewRect&) = default;
};

struct FrameSize {
    int width;
    int height;
    friend bool operator==(const FrameSize&, const FrameSize&) = default;
};

// A frame format: the device channel's command index that selects it and the
// size of the frames it delivers.
struct FrameFormat {
    int commandIndex;
    FrameSize frame;
    friend bool operator==(const FrameFormat&, const FrameFormat&) = default;
};

inline constexpr int kQualityLevels = 3; // 0 best .. 2 fastest
inline constexpr int kSpeedLevels = 3;

// The preview window's place for the view (large 320 x 240 or small
// 160 x 120) with the video album closed or open.
PreviewRect previewRectangle(bool largeView, bool videoAlbumOpen);
// The place the preview window is created at (large view, album closed).
PreviewRect initialPreviewRectangle();
// The size the preview shows frames at: the view size.
FrameSize previewDisplaySize(bool largeView);

// The frame format for a view, zoom and quality; a quality outside 0..2 is
// taken as the nearest of them.
FrameFormat previewFrameFormat(bool largeView, bool normalZoom, int quality);

// Value of the camera's speed register for speed 0, 1 or 2 (0, 1, 5); a speed
// outside 0..2 is taken as the nearest of them.
int speedRegisterValue(int speed);

} // namespace lumoset
