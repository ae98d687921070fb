#pragma once
// Turns an RGB picture into the camera's two planes so that the camera
// program's conversion (at neutral brightness, contrast, hue and saturation)
// gives the picture back:
//
//   plane A: one luminance byte per pixel;
//   plane B: per pair of pixels, a red-difference byte then a blue-difference
//            byte, shared by both pixels.
//
// The host decodes y = L[A], u = D[C0], v = D[C1], g = trunc(v / 6) + (u >> 1),
// and per pixel blue = y + v, green = y - g, red = y + u, with
// L[i] = trunc((i - 148) * 1.2) + 128 and D[j] = trunc((j - 128) * 1.4), both
// limited to their ranges. Solving for y gives y = 0.3 R + 0.6 G + 0.1 B. The
// encoder picks, for each pair, the difference bytes nearest the pair's mean
// differences, then for each pixel the luminance byte whose decoded colour is
// nearest (luminance-weighted) to the pixel, so colours the host cannot show
// (strong reds and blues past the difference range) come out as close as the
// host allows.

#include "platform/ousbdrv/picture.h"

#include <array>
#include <cstdint>

namespace platform::ousbdrv {

class PlaneEncoder {
public:
    PlaneEncoder();
    // `picture` must have an even width; planes receive width * height bytes each.
    void encode(const Picture& picture, std::uint8_t* planeA, std::uint8_t* planeB) const;

private:
    std::array<std::uint8_t, 256> lumaByte_{};        // decoded luminance 0..255 -> byte
    std::array<std::uint8_t, 256> differenceByte_{};  // difference -128..127 (+128) -> byte
    std::array<int, 256> difference_{};               // byte -> decoded difference
};

} // namespace platform::ousbdrv
