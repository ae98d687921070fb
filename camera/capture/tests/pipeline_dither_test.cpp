#include "camera/capture/palette_dither.h"
#include "camera/capture/picture_convert.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace lumoset;

namespace {

constexpr int kT[16] = {3, 27, 8, 33, 39, 15, 45, 21, 12, 36, 6, 30, 48, 24, 42, 18};

int thresholdLevel(int c, int x, int y)
{
    return c / 51 + (kT[4 * (x % 4) + (y % 4)] < c % 51 ? 1 : 0);
}

} // namespace

TEST(SharedPalette, SixLevelsPerChannelRedSlowestBlueFastest)
{
    const auto& p = sharedPalette();
    EXPECT_EQ(p[0], (PaletteColour{0, 0, 0}));
    EXPECT_EQ(p[1], (PaletteColour{0, 0, 51}));
    EXPECT_EQ(p[6], (PaletteColour{0, 51, 0}));
    EXPECT_EQ(p[36], (PaletteColour{51, 0, 0}));
    EXPECT_EQ(p[36 * 2 + 6 * 4 + 5], (PaletteColour{102, 204, 255}));
    EXPECT_EQ(p[215], (PaletteColour{255, 255, 255}));
    EXPECT_EQ(greyPalette()[77], (PaletteColour{77, 77, 77}));
}

TEST(Dither, LevelsFollowTheThresholdMatrixForEveryValueAndPosition)
{
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            for (int c = 0; c < 256; ++c) {
                ASSERT_EQ(ditherLevel(c, x, y), thresholdLevel(c, x, y)) << c << " " << x << "," << y;
                ASSERT_LE(ditherLevel(c, x, y), 5);
            }
    // Exact palette levels never move; 52 becomes 2 only where the
    // threshold is below 1, which is nowhere.
    EXPECT_EQ(ditherLevel(255, 3, 3), 5);
    EXPECT_EQ(ditherLevel(102, 1, 2), 2);
    EXPECT_EQ(ditherLevel(52, 0, 0), 1);
    EXPECT_EQ(ditherLevel(55, 0, 0), 2); // 4 > T[0] = 3
    EXPECT_EQ(ditherLevel(55, 0, 1), 1); // 4 < T[1] = 27
}

TEST(Dither, ColourBitmapRowsCountFromTheTopOfThePicture)
{
    // 5 x 3 bottom-up bitmap (rows pad to 16 bytes in, 8 bytes out).
    constexpr int w = 5, h = 3;
    const std::size_t inStride = dibRowBytes(w, 24), outStride = dibRowBytes(w, 8);
    std::mt19937 rng(3);
    std::vector<std::uint8_t> bgr(inStride * h);
    for (auto& v : bgr)
        v = static_cast<std::uint8_t>(rng());
    std::vector<std::uint8_t> out(outStride * h, 0xEE);
    ASSERT_TRUE(ditherColourToSharedPalette(bgr, w, h, out));
    for (int row = 0; row < h; ++row) {
        const int y = h - 1 - row;
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* px = &bgr[row * inStride + 3 * x];
            const int index = thresholdLevel(px[0], x, y) + 6 * thresholdLevel(px[1], x, y) +
                              36 * thresholdLevel(px[2], x, y);
            EXPECT_EQ(out[row * outStride + x], index) << x << "," << y;
        }
        for (std::size_t i = w; i < outStride; ++i)
            EXPECT_EQ(out[row * outStride + i], 0);
    }
}

TEST(Dither, GreyFramesAreExpandedThroughTheirPalette)
{
    constexpr int w = 4, h = 4;
    std::vector<std::uint8_t> grey(w * h);
    for (int i = 0; i < w * h; ++i)
        grey[i] = static_cast<std::uint8_t>(i * 16 + 7);
    std::vector<std::uint8_t> out(w * h);
    ASSERT_TRUE(ditherIndexedToSharedPalette(grey, greyPalette(), w, h, out));
    for (int row = 0; row < h; ++row)
        for (int x = 0; x < w; ++x) {
            const int g = grey[row * w + x];
            EXPECT_EQ(out[row * w + x], ditherPixel(g, g, g, x, h - 1 - row));
        }

    // Another palette is honoured too.
    std::array<PaletteColour, 256> redOnly{};
    redOnly[7] = PaletteColour{255, 0, 0};
    ASSERT_TRUE(ditherIndexedToSharedPalette(grey, redOnly, w, h, out));
    EXPECT_EQ(out[0], 36 * 5);
    EXPECT_EQ(out[1], 0);
}

TEST(Dither, RefusesBuffersTooSmallForTheSize)
{
    std::vector<std::uint8_t> in(64, 1), out(64, 0xEE);
    EXPECT_FALSE(ditherColourToSharedPalette(in, 6, 4, out)); // needs 24 x 4 in
    EXPECT_FALSE(ditherColourToSharedPalette(in, 4, 4, std::span(out).first(15)));
    EXPECT_FALSE(ditherIndexedToSharedPalette(in, greyPalette(), 0, 4, out));
    EXPECT_FALSE(ditherIndexedToSharedPalette(in, greyPalette(), 4, -1, out));
    EXPECT_EQ(out, std::vector<std::uint8_t>(64, 0xEE));
}
