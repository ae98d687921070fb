#include "platform/ovcam/frame_request.h"

#include "camera/capture/device_channel.h"
#include "camera/capture/picture_formats.h"

#include <algorithm>
#include <array>

namespace ovcam {
namespace {

constexpr int kBestQualityDigit = 3;
constexpr int kZoomDigit = 2;

// Whole-view and zoomed formats in increasing size.
constexpr std::array<SourceFrame, 4> kWholeViewFrames{{
    {lumoset::kCmdFormat160x120, 160, 120},
    {lumoset::kCmdFormat176x144, 176, 144},
    {lumoset::kCmdFormat320x240, 320, 240},
    {lumoset::kCmdFormat352x288, 352, 288},
}};
constexpr SourceFrame kLargestFrame{lumoset::kCmdFormat496x240, 496, 240};

// Zoomed frames show the centre quarter at half height.
constexpr std::array<SourceFrame, 4> kZoomedFrames{{
    {lumoset::kCmdFormat160x60Zoom, 160, 60},
    {lumoset::kCmdFormat176x72Zoom, 176, 72},
    {lumoset::kCmdFormat320x120Zoom, 320, 120},
    {lumoset::kCmdFormat352x144Zoom, 352, 144},
}};

} // namespace

ViewQuality decodeViewQualityCode(int code)
{
    const int tens = std::clamp((code / 10) % 10, 1, kBestQualityDigit);
    return {kBestQualityDigit - tens, code % 10 == kZoomDigit};
}

SourceFrame chooseSourceFrame(int width, int height, ViewQuality quality)
{
    if (quality.qualityIndex > 0) {
        const bool large = width > 160 || height > 120;
        const lumoset::FrameFormat f = lumoset::previewFrameFormat(large, !quality.zoomed, quality.qualityIndex);
        return {f.commandIndex, f.frame.width, f.frame.height};
    }
    if (quality.zoomed) {
        for (const SourceFrame& f : kZoomedFrames)
            if (f.width >= width)
                return f;
        return kZoomedFrames.back();
    }
    for (const SourceFrame& f : kWholeViewFrames)
        if (f.width >= width && f.height >= height)
            return f;
    return kLargestFrame;
}

} // namespace ovcam
