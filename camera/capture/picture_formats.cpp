#include "camera/capture/picture_formats.h"

#include <algorithm>

namespace lumoset {
namespace {

// [largeView][videoAlbumOpen]: the album opens on the left and pushes the
// preview 84 pixels to the right.
constexpr PreviewRect kPreviewRects[2][2] = {
    {{141, 93, 301, 213}, {225, 93, 385, 213}}, // small
    {{61, 33, 381, 273}, {145, 33, 465, 273}},  // large
};

constexpr FrameSize kDisplaySizes[2] = {{160, 120}, {320, 240}};

// [largeView][normalZoom][quality]; command indices are the device channel's.
constexpr FrameFormat kFrameFormats[2][2][kQualityLevels] = {
    {
        // small view, zoomed
        {{16, {160, 60}}, {22, {80, 32}}, {22, {80, 32}}},
        // small view, normal
        {{13, {160, 120}}, {18, {160, 60}}, {14, {80, 60}}},
    },
    {
        // large view, zoomed
        {{15, {320, 120}}, {16, {160, 60}}, {16, {160, 60}}},
        // large view, normal
        {{12, {320, 240}}, {17, {320, 120}}, {13, {160, 120}}},
    },
};

constexpr int kSpeedRegisterValues[kSpeedLevels] = {0, 1, 5};

} // namespace

PreviewRect previewRectangle(bool largeView, bool videoAlbumOpen)
{
    return kPreviewRects[largeView ? 1 : 0][videoAlbumOpen ? 1 : 0];
}

PreviewRect initialPreviewRectangle()
{
    return previewRectangle(true, false);
}

FrameSize previewDisplaySize(bool largeView)
{
    return kDisplaySizes[largeView ? 1 : 0];
}

FrameFormat previewFrameFormat(bool largeView, bool normalZoom, int quality)
{
    const int q = std::clamp(quality, 0, kQualityLevels - 1);
    return kFrameFormats[largeView ? 1 : 0][normalZoom ? 1 : 0][q];
}

int speedRegisterValue(int speed)
{
    return kSpeedRegisterValues[std::clamp(speed, 0, kSpeedLevels - 1)];
}

} // namespace lumoset
