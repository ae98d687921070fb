#include "camera/capture/palette_dither.h"

#include "camera/capture/picture_convert.h"

#include <cstring>

namespace lumoset {
namespace {

// levels[4 (x mod 4) + (y mod 4)][c]
using LevelTable = std::array<std::array<std::uint8_t, 256>, 16>;

const LevelTable& levelTable()
{
    static const LevelTable table = [] {
        LevelTable t{};
        for (std::size_t cell = 0; cell < 16; ++cell)
            for (int c = 0; c < 256; ++c)
                t[cell][static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(
                    c / kPaletteLevelStep + (kDitherThresholds[cell] < c % kPaletteLevelStep ? 1 : 0));
        return t;
    }();
    return table;
}

std::size_t cellOf(int x, int y)
{
    return static_cast<std::size_t>(4 * (x & 3) + (y & 3));
}

// Shared body of both ditherers: `colourAt(row, x)` gives the pixel of stored
// row `row` as a PaletteColour.
template <typename ColourAt>
void ditherRows(int width, int height, std::span<std::uint8_t> out, ColourAt colourAt)
{
    const LevelTable& levels = levelTable();
    const std::size_t outStride = dibRowBytes(width, kGreyBitsPerPixel);
    for (int row = 0; row < height; ++row) {
        const int fromTop = height - 1 - row;
        std::uint8_t* o = out.data() + static_cast<std::size_t>(row) * outStride;
        for (int x = 0; x < width; ++x) {
            const auto& level = levels[cellOf(x, fromTop)];
            const PaletteColour c = colourAt(row, x);
            o[x] = static_cast<std::uint8_t>(level[c.blue] + kPaletteLevels * level[c.green] +
                                             kPaletteLevels * kPaletteLevels * level[c.red]);
        }
        std::memset(o + width, 0, outStride - static_cast<std::size_t>(width));
    }
}

bool sizesUsable(std::size_t inBytes, int inBits, int width, int height, std::size_t outBytes)
{
    if (height < 1 || height > kMaxFrameDimension)
        return false;
    const std::size_t inStride = dibRowBytes(width, inBits);
    const std::size_t outStride = dibRowBytes(width, kGreyBitsPerPixel);
    return inStride != 0 && inBytes >= inStride * static_cast<std::size_t>(height) &&
           outBytes >= outStride * static_cast<std::size_t>(height);
}

} // namespace

const std::array<PaletteColour, kSharedPaletteSize>& sharedPalette()
{
    static const auto palette = [] {
        std::array<PaletteColour, kSharedPaletteSize> p{};
        for (int r = 0; r < kPaletteLevels; ++r)
            for (int g = 0; g < kPaletteLevels; ++g)
                for (int b = 0; b < kPaletteLevels; ++b)
                    p[static_cast<std::size_t>(36 * r + 6 * g + b)] = PaletteColour{
                        static_cast<std::uint8_t>(kPaletteLevelStep * r),
                        static_cast<std::uint8_t>(kPaletteLevelStep * g),
                        static_cast<std::uint8_t>(kPaletteLevelStep * b)};
        return p;
    }();
    return palette;
}

const std::array<PaletteColour, 256>& greyPalette()
{
    static const auto palette = [] {
        std::array<PaletteColour, 256> p{};
        for (std::size_t i = 0; i < p.size(); ++i) {
            const auto v = static_cast<std::uint8_t>(i);
            p[i] = PaletteColour{v, v, v};
        }
        return p;
    }();
    return palette;
}

int ditherLevel(int c, int x, int y)
{
    return levelTable()[cellOf(x, y)][static_cast<std::uint8_t>(c)];
}

std::uint8_t ditherPixel(int red, int green, int blue, int x, int y)
{
    return static_cast<std::uint8_t>(ditherLevel(blue, x, y) + kPaletteLevels * ditherLevel(green, x, y) +
                                     kPaletteLevels * kPaletteLevels * ditherLevel(red, x, y));
}

bool ditherColourToSharedPalette(std::span<const std::uint8_t> bgr, int width, int height,
                                 std::span<std::uint8_t> out)
{
    if (!sizesUsable(bgr.size(), kColourBitsPerPixel, width, height, out.size()))
        return false;
    const std::size_t inStride = dibRowBytes(width, kColourBitsPerPixel);
    ditherRows(width, height, out, [&](int row, int x) {
        const std::uint8_t* p = bgr.data() + static_cast<std::size_t>(row) * inStride +
                                3 * static_cast<std::size_t>(x);
        return PaletteColour{p[2], p[1], p[0]};
    });
    return true;
}

bool ditherIndexedToSharedPalette(std::span<const std::uint8_t> pixels,
                                  const std::array<PaletteColour, 256>& palette, int width,
                                  int height, std::span<std::uint8_t> out)
{
    if (!sizesUsable(pixels.size(), kGreyBitsPerPixel, width, height, out.size()))
        return false;
    const std::size_t inStride = dibRowBytes(width, kGreyBitsPerPixel);
    ditherRows(width, height, out, [&](int row, int x) {
        return palette[pixels[static_cast<std::size_t>(row) * inStride + static_cast<std::size_t>(x)]];
    });
    return true;
}

} // namespace lumoset
