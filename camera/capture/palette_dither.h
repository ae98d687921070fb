#pragma once
// The shared 216-colour palette used on palette (256-colour) displays, and
// ordered dithering of bitmap pixels onto it.
//
// Entry 36 r + 6 g + b is (red 51 r, green 51 g, blue 51 b) for r, g, b in
// 0..5. A channel value c (0..255) of the pixel in column x and row y (rows
// counted from the top of the picture) becomes the level
//   c / 51, plus 1 when kDitherThresholds[4 (x mod 4) + (y mod 4)] < c mod 51,
// and the pixel's palette index is blue level + 6 green level + 36 red level.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace lumoset {

inline constexpr int kSharedPaletteSize = 216;
inline constexpr int kPaletteLevels = 6;
inline constexpr int kPaletteLevelStep = 51;
inline constexpr std::array<std::uint8_t, 16> kDitherThresholds = {
    3, 27, 8, 33, 39, 15, 45, 21, 12, 36, 6, 30, 48, 24, 42, 18};

struct PaletteColour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    friend bool operator==(const PaletteColour&, const PaletteColour&) = default;
};

const std::array<PaletteColour, kSharedPaletteSize>& sharedPalette();
// The palette of an 8-bit grey bitmap: entry i is (i, i, i).
const std::array<PaletteColour, 256>& greyPalette();

// The dithered level (0..5) of channel value c at column x, row y from the top.
int ditherLevel(int c, int x, int y);
// The shared-palette index of one pixel at column x, row y from the top.
std::uint8_t ditherPixel(int red, int green, int blue, int x, int y);

// Dither a bottom-up 24-bit (blue, green, red) bitmap body, or a bottom-up
// 8-bit one whose pixels index `palette`, into a bottom-up 8-bit body of
// shared-palette indices. Rows of all bodies are padded to four bytes; the
// output's padding is zeroed. False, writing nothing, when a size is not
// usable or a buffer is too small.
bool ditherColourToSharedPalette(std::span<const std::uint8_t> bgr, int width, int height,
                                 std::span<std::uint8_t> out);
bool ditherIndexedToSharedPalette(std::span<const std::uint8_t> pixels,
                                  const std::array<PaletteColour, 256>& palette, int width,
                                  int height, std::span<std::uint8_t> out);

} // namespace lumoset
