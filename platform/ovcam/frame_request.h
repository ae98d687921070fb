#pragma once
// Which camera frame a picture is made from: the view quality code and the
// picture size choose a frame format of the camera, and the frame is then
// scaled to the picture size.

namespace ovcam {

struct ViewQuality {
    int qualityIndex;  // 0 best, 1 reduced, 2 lowest
    bool zoomed;
};

// Tens digit 3, 2, 1 -> quality 0, 1, 2 (others: nearest); units digit 2 ->
// zoomed, anything else -> whole view.
ViewQuality decodeViewQualityCode(int code);

struct SourceFrame {
    int commandIndex;  // index into the device channel's command table
    int width;
    int height;
};

// The frame a width x height picture is made from. At best quality the
// camera's own format of that size when there is one, else the smallest that
// covers the picture (the 496 x 240 photo format for pictures above
// 352 x 288); zoomed, the zoomed format of that width or the smallest wider
// one. Lower qualities take the coarser preview formats.
SourceFrame chooseSourceFrame(int width, int height, ViewQuality quality);

} // namespace ovcam
