#include "platform/ovcam/frame_scaler.h"

#include <algorithm>

namespace ovcam {
namespace {

constexpr int kFractionBits = 16;
constexpr std::int64_t kOne = std::int64_t{1} << kFractionBits;

// Source position (16.16 fixed point) of the centre of destination pixel i.
std::int64_t sourcePosition(int i, int sourceSize, int destinationSize)
{
    const std::int64_t centre = ((2 * std::int64_t{i} + 1) * sourceSize * kOne) / (2 * std::int64_t{destinationSize});
    return std::clamp<std::int64_t>(centre - kOne / 2, 0, (std::int64_t{sourceSize} - 1) * kOne);
}

} // namespace

bool scaleFrame(const FrameView& source, int bytesPerPixel, std::span<std::uint8_t> destination, int width,
                int height)
{
    if (source.width <= 0 || source.height <= 0 || width <= 0 || height <= 0 ||
        (bytesPerPixel != 1 && bytesPerPixel != 3))
        return false;
    const std::size_t sourceRow = static_cast<std::size_t>(source.width) * static_cast<std::size_t>(bytesPerPixel);
    if (source.stride < sourceRow || source.pixels.size() < source.stride * static_cast<std::size_t>(source.height))
        return false;
    const std::size_t row = static_cast<std::size_t>(width) * static_cast<std::size_t>(bytesPerPixel);
    if (destination.size() < row * static_cast<std::size_t>(height))
        return false;

    // Both pictures are stored bottom-up, so storage rows map onto each other
    // directly: the bottom row of one is the bottom row of the other.
    for (int y = 0; y < height; ++y) {
        const std::int64_t sy = sourcePosition(y, source.height, height);
        const int y0 = static_cast<int>(sy >> kFractionBits);
        const int y1 = std::min(y0 + 1, source.height - 1);
        const std::int64_t fy = sy & (kOne - 1);
        const std::uint8_t* r0 = source.pixels.data() + source.stride * static_cast<std::size_t>(y0);
        const std::uint8_t* r1 = source.pixels.data() + source.stride * static_cast<std::size_t>(y1);
        std::uint8_t* out = destination.data() + row * static_cast<std::size_t>(y);
        for (int x = 0; x < width; ++x) {
            const std::int64_t sx = sourcePosition(x, source.width, width);
            const int x0 = static_cast<int>(sx >> kFractionBits);
            const int x1 = std::min(x0 + 1, source.width - 1);
            const std::int64_t fx = sx & (kOne - 1);
            for (int c = 0; c < bytesPerPixel; ++c) {
                const std::int64_t a = r0[x0 * bytesPerPixel + c], b = r0[x1 * bytesPerPixel + c];
                const std::int64_t d = r1[x0 * bytesPerPixel + c], e = r1[x1 * bytesPerPixel + c];
                const std::int64_t top = a * (kOne - fx) + b * fx;
                const std::int64_t bottom = d * (kOne - fx) + e * fx;
                const std::int64_t value = (top * (kOne - fy) + bottom * fy + (kOne * kOne / 2)) >> (2 * kFractionBits);
                *out++ = static_cast<std::uint8_t>(std::clamp<std::int64_t>(value, 0, 255));
            }
        }
    }
    return true;
}

} // namespace ovcam
