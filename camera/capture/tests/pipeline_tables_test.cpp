#include "camera/capture/picture_tables.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using lumoset::PictureTables;
using lumoset::buildPictureTables;

TEST(PictureTables, ZeroSettingsPivotAndLimits)
{
    PictureTables t;
    buildPictureTables(t, 0, 0, 0, 0);
    EXPECT_EQ(t.lumaTable()[148], 128);
    EXPECT_EQ(t.lumaTable()[0], 0);     // -177.6 cuts to -177, +128, limited
    EXPECT_EQ(t.lumaTable()[255], 255); // 128.4 -> 128, +128, limited
    EXPECT_EQ(t.lumaTable()[100], 71);  // -57.6 cuts toward zero to -57
    EXPECT_EQ(t.lumaTable()[200], 190); // 62.4 -> 62
    for (int j = 0; j < 256; ++j) {
        const int expected = std::clamp(static_cast<int>(std::trunc(1.4 * (j - 128))), -128, 127);
        EXPECT_EQ(t.redDiffTable()[j], expected) << j;
        EXPECT_EQ(t.blueDiffTable()[j], expected) << j;
    }
    EXPECT_EQ(t.redDiffTable()[0], -128);
    EXPECT_EQ(t.redDiffTable()[127], -1);  // -1.4 cuts to -1, not -2
    EXPECT_EQ(t.redDiffTable()[255], 127); // 177.8 limited
}

TEST(PictureTables, BrightnessAndContrastMoveThePivot)
{
    PictureTables t;
    buildPictureTables(t, 10, 10, 0, 0); // (i - 98) * 1.7 + 128
    EXPECT_EQ(t.lumaTable()[98], 128);
    EXPECT_EQ(t.lumaTable()[148], 213);
    buildPictureTables(t, -10, -10, 0, 0); // (i - 198) * 0.7 + 128
    EXPECT_EQ(t.lumaTable()[198], 128);
    EXPECT_EQ(t.lumaTable()[0], 0);    // -138.6 -> -138 -> -10, limited
    EXPECT_EQ(t.lumaTable()[255], 167); // 39.9 -> 39
}

TEST(PictureTables, HueTurnsTheDifferencesApart)
{
    // 30 steps are 90 degrees: red gets s e (cos + sin), blue s e (cos - sin).
    PictureTables t;
    buildPictureTables(t, 0, 0, 30, 0);
    EXPECT_EQ(t.redDiffTable()[148], 28);
    EXPECT_EQ(t.blueDiffTable()[148], -27); // -27.9999999987 cuts toward zero
    EXPECT_EQ(t.redDiffTable()[228], 127);
    EXPECT_EQ(t.blueDiffTable()[228], -128);
    EXPECT_EQ(t.redDiffTable()[128], 0);
    EXPECT_EQ(t.blueDiffTable()[128], 0);
}

TEST(PictureTables, GreenCorrectionCutsTowardZero)
{
    PictureTables t;
    EXPECT_EQ(t.greenCorr(0), 0);
    EXPECT_EQ(t.greenCorr(5), 0);
    EXPECT_EQ(t.greenCorr(6), 1);
    EXPECT_EQ(t.greenCorr(-5), 0);
    EXPECT_EQ(t.greenCorr(-7), -1);
    EXPECT_EQ(t.greenCorr(-128), -21);
    EXPECT_EQ(t.greenCorr(127), 21);
    buildPictureTables(t, 4, -3, 7, 9); // built once, not by the sliders
    EXPECT_EQ(t.greenCorr(-128), -21);
}

TEST(PictureTables, SettingsFarOutsideTheSliderRangeStayLimited)
{
    PictureTables t;
    for (int v : {INT_MIN, -100000, 1000, INT_MAX})
        for (int w : {INT_MIN, -7, INT_MAX}) {
            buildPictureTables(t, v, w, v, w);
            buildPictureTables(t, w, v, w, v);
        }
    buildPictureTables(t, INT_MAX, 0, 0, 0);
    EXPECT_EQ(t.lumaTable()[0], 255);
    buildPictureTables(t, INT_MIN, 0, 0, 0);
    EXPECT_EQ(t.lumaTable()[255], 0);
    buildPictureTables(t, 0, 0, 0, INT_MAX);
    EXPECT_EQ(t.redDiffTable()[0], -128);
    EXPECT_EQ(t.redDiffTable()[128], 0);
    EXPECT_EQ(t.redDiffTable()[129], 127);
}
