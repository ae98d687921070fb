#pragma once
// Scales a converted camera frame (a bitmap body: rows bottom-up, each padded
// to four bytes) to the caller's picture (rows bottom-up, not padded), with
// bilinear filtering. No allocation: it runs for every preview frame.

#include <cstddef>
#include <cstdint>
#include <span>

namespace ovcam {

struct FrameView {
    std::span<const std::uint8_t> pixels;
    int width;
    int height;
    std::size_t stride;  // bytes per row
};

// bytesPerPixel is 3 (blue, green, red) or 1 (grey). False, writing nothing,
// when a size is not positive, the source is smaller than its description or
// the destination smaller than width x height x bytesPerPixel.
bool scaleFrame(const FrameView& source, int bytesPerPixel, std::span<std::uint8_t> destination,
                int width, int height);

} // namespace ovcam
