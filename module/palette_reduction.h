#pragma once
// Showing pictures on a 256-colour screen: colour pictures are reduced to a
// fixed palette of 8 red, 8 green and 4 blue levels with an ordered 8 x 8
// threshold, gray pictures use a gray ramp.

#include <QRgb>

#include <cstddef>
#include <cstdint>

namespace ostrel2 {

inline constexpr int kFixedPaletteSize = 256;

// Entry b of the fixed palette.
QRgb fixedPaletteEntry(int b);

// The threshold of column `x` (table row x mod 8) and picture row `topRow`
// counted from the top edge starting at 1 (table column topRow mod 8).
int ditherThreshold(int x, int topRow);

// The palette index of one blue-green-red pixel under threshold t.
std::uint8_t reducePixel(int blue, int green, int red, int t);

// Reduces a bottom-up 24-bit picture (rows padded to 4 bytes) to a
// bottom-up 8-bit one (rows padded to 4 bytes) of palette indices. `out`
// holds height x its padded row bytes.
void reduceToFixedPalette(const std::uint8_t* pixels, int width, int height, std::uint8_t* out);

// True when pictures are drawn directly: screens of 16 or 24 bits per
// pixel, and 32 bits while the picture is in colour.
bool drawsDirectly(int screenDepth, bool colourPicture);

} // namespace ostrel2
