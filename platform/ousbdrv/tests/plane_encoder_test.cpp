// The planes the camera sends decode, with the camera program's formulas at
// neutral settings (written out here independently), to the picture it saw.
#include "platform/ousbdrv/plane_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace po = platform::ousbdrv;

namespace {

int luma(int i) { return std::clamp(static_cast<int>(std::trunc((i - 148) * 1.2)) + 128, 0, 255); }
int diff(int j) { return std::clamp(static_cast<int>(std::trunc((j - 128) * 1.4)), -128, 127); }

po::Rgb decode(const std::uint8_t* a, const std::uint8_t* b, int x)
{
    const int pair = x & ~1;
    const int u = diff(b[pair]);
    const int v = diff(b[pair + 1]);
    const int g = static_cast<int>(std::trunc(v / 6.0)) + (u >> 1);
    const int y = luma(a[x]);
    auto clamp = [](int c) { return static_cast<std::uint8_t>(std::clamp(c, 0, 255)); };
    return {clamp(y + u), clamp(y - g), clamp(y + v)};
}

po::Picture flat(int w, int h, po::Rgb c)
{
    po::Picture p;
    p.resize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.set(x, y, c);
    return p;
}

} // namespace

TEST(PlaneEncoder, ColoursTheHostCanShowComeBackWithinThreeLevels)
{
    const po::PlaneEncoder encoder;
    int worst = 0;
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 15)
            for (int b = 0; b < 256; b += 15) {
                const double y = 0.3 * r + 0.6 * g + 0.1 * b;
                if (std::abs(r - y) > 120 || std::abs(b - y) > 120)
                    continue;  // past the colour-difference range of the host
                const po::Picture p = flat(2, 1, {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                                  static_cast<std::uint8_t>(b)});
                std::uint8_t a[2], c[2];
                encoder.encode(p, a, c);
                for (int x = 0; x < 2; ++x) {
                    const po::Rgb got = decode(a, c, x);
                    worst = std::max({worst, std::abs(got.r - r), std::abs(got.g - g), std::abs(got.b - b)});
                }
            }
    EXPECT_LE(worst, 3);
}

TEST(PlaneEncoder, GreysKeepNeutralColourDifferences)
{
    const po::PlaneEncoder encoder;
    for (int level = 0; level < 256; ++level) {
        const auto l = static_cast<std::uint8_t>(level);
        const po::Picture p = flat(2, 1, {l, l, l});
        std::uint8_t a[2], c[2];
        encoder.encode(p, a, c);
        EXPECT_EQ(diff(c[0]), 0);
        EXPECT_EQ(diff(c[1]), 0);
        EXPECT_NEAR(luma(a[0]), level, 1);
    }
}

TEST(PlaneEncoder, StrongColoursComeOutAsCloseAsTheHostAllows)
{
    // Pure red needs a red difference of 178; the host stops at 127, so the
    // best it can show is y + 127 in red with as little green and blue as possible.
    const po::PlaneEncoder encoder;
    const po::Picture p = flat(2, 1, {255, 0, 0});
    std::uint8_t a[2], c[2];
    encoder.encode(p, a, c);
    const po::Rgb got = decode(a, c, 0);
    EXPECT_GE(got.r, 200);
    EXPECT_LE(got.g, 60);
    EXPECT_LE(got.b, 60);
}

TEST(PlaneEncoder, PairsShareTheirColourDifferenceAndKeepTheirOwnLuminance)
{
    const po::PlaneEncoder encoder;
    po::Picture p = flat(4, 2, {100, 100, 100});
    p.set(1, 0, {200, 200, 200});
    std::uint8_t a[8], c[8];
    encoder.encode(p, a, c);
    EXPECT_NEAR(decode(a, c, 0).g, 100, 2);
    EXPECT_NEAR(decode(a, c, 1).g, 200, 2);
    EXPECT_NEAR(decode(a, c, 5).g, 100, 2);  // second row
}
