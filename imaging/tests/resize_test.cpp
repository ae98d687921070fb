#include "imaging/resize.h"

#include <gtest/gtest.h>

#include <cmath>

#include "imaging/tests/test_support.h"

namespace imaging {
namespace {

double meanOf(const Bitmap& b, int channel) {
  const int channels = b.bitsPerPixel() / 8;
  double sum = 0;
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) sum += b.line(y)[x * channels + channel];
  }
  return sum / (static_cast<double>(b.width()) * b.height());
}

TEST(Resize, ThumbnailOfFinePatternAveragesInsteadOfAliasing) {
  // One-pixel black and white checks: a thumbnail must come out even grey,
  // where sampling every n-th pixel gives black, white or stripes.
  Bitmap checks;
  ASSERT_EQ(allocate(checks, 640, 480, 24), kSuccess);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      const std::uint8_t v = ((x + y) % 2) ? 255 : 0;
      for (int c = 0; c < 3; ++c) checks.line(y)[3 * x + c] = v;
    }
  }
  ASSERT_EQ(resize(checks, 60, 45), kSuccess);
  ASSERT_EQ(checks.width(), 60);
  ASSERT_EQ(checks.height(), 45);
  for (int y = 0; y < 45; ++y) {
    for (int x = 0; x < 180; ++x) ASSERT_NEAR(checks.line(y)[x], 128, 2) << x << "," << y;
  }
}

TEST(Resize, ThumbnailKeepsTheSceneItsColoursAndItsOrientation) {
  Bitmap scene = testing::makeScene(640, 480, 24);
  const double blue = meanOf(scene, 0), green = meanOf(scene, 1), red = meanOf(scene, 2);
  ASSERT_EQ(resize(scene, 60, 45), kSuccess);
  EXPECT_NEAR(meanOf(scene, 0), blue, 0.5);
  EXPECT_NEAR(meanOf(scene, 1), green, 0.5);
  EXPECT_NEAR(meanOf(scene, 2), red, 0.5);
  // The red disc (centred at 30 % across, 40 % down) is still there, upright.
  const std::uint8_t* disc = scene.line(18) + 3 * 18;
  EXPECT_GT(disc[2], 190);
  EXPECT_LT(disc[1], 70);
  // The sky at the top is bluer than the ground at the bottom.
  EXPECT_GT(scene.line(0)[3 * 5], scene.line(44)[3 * 5] + 80);
}

TEST(Resize, HalfHeightZoomFrameIsStretchedBackLinearly) {
  // A 320 x 120 frame whose lines alternate 0 and 200: back at 320 x 240
  // every column is copied exactly and each new line lies between its
  // neighbours.
  Bitmap frame;
  ASSERT_EQ(allocate(frame, 320, 120, 24), kSuccess);
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 960; ++x) frame.line(y)[x] = static_cast<std::uint8_t>(y % 2 ? 200 : (x % 256));
  }
  ASSERT_EQ(resize(frame, 320, 240), kSuccess);
  ASSERT_EQ(frame.height(), 240);
  // Target line 0 and 239 sit at the edges: they repeat source lines 0 and 119.
  for (int x = 0; x < 960; ++x) {
    ASSERT_EQ(frame.line(0)[x], x % 256);
    ASSERT_EQ(frame.line(239)[x], 200);
  }
  // Target line 1 sits a quarter of the way from source line 0 to line 1,
  // target line 2 three quarters of the way.
  for (int x = 0; x < 960; ++x) {
    const double a = x % 256;
    ASSERT_NEAR(frame.line(1)[x], 0.75 * a + 0.25 * 200, 0.51) << x;
    ASSERT_NEAR(frame.line(2)[x], 0.25 * a + 0.75 * 200, 0.51) << x;
  }
}

TEST(Resize, FlatPicturesStayFlatAtAnySize) {
  for (int bits : {8, 24}) {
    Bitmap flat;
    ASSERT_EQ(allocate(flat, 496, 240, bits), kSuccess);
    for (int y = 0; y < 240; ++y) {
      for (std::size_t i = 0; i < flat.bytesPerLine(); ++i) flat.line(y)[i] = 77;
    }
    ASSERT_EQ(resize(flat, 640, 480), kSuccess);
    ASSERT_EQ(resize(flat, 37, 11), kSuccess);
    const int channels = bits / 8;
    for (int y = 0; y < 11; ++y) {
      for (int x = 0; x < 37 * channels; ++x) ASSERT_EQ(flat.line(y)[x], 77);
    }
  }
}

TEST(Resize, KeepsDepthOrdersPaletteAndResolution) {
  Bitmap bitmap;
  ASSERT_EQ(allocate(bitmap, 10, 10, 24), kSuccess);
  ASSERT_EQ(setAttribute(bitmap, kAttributeColourOrderRgb), kSuccess);
  bitmap.setRowOrder(RowOrder::TopDown);
  bitmap.setResolution(96, 96);
  ASSERT_EQ(resize(bitmap, 5, 20), kSuccess);
  EXPECT_EQ(bitmap.bitsPerPixel(), 24);
  EXPECT_EQ(bitmap.colourOrder(), ColourOrder::Rgb);
  EXPECT_EQ(bitmap.rowOrder(), RowOrder::TopDown);
  EXPECT_EQ(bitmap.xResolution(), 96);
}

TEST(Resize, ColouredPalettesAreSampledNotMixed) {
  Bitmap bitmap;
  ASSERT_EQ(allocate(bitmap, 4, 1, 8), kSuccess);
  Palette palette{};
  palette[1] = PaletteEntry{255, 0, 0};
  palette[3] = PaletteEntry{0, 0, 255};
  bitmap.setPalette(palette);
  const std::uint8_t indices[4] = {1, 3, 1, 3};
  std::copy(indices, indices + 4, bitmap.line(0));
  ASSERT_EQ(resize(bitmap, 2, 1), kSuccess);
  // Averaging indices 1 and 3 would give 2, a colour that is not in the picture.
  EXPECT_EQ(bitmap.line(0)[0], 1);
  EXPECT_EQ(bitmap.line(0)[1], 1);
}

TEST(Resize, RefusesWhatCannotBeDone) {
  Bitmap empty;
  EXPECT_EQ(resize(empty, 60, 45), kNoBitmap);
  Bitmap bitmap = testing::makeScene(16, 16, 8);
  EXPECT_EQ(resize(bitmap, 0, 45), kInvalidArgument);
  EXPECT_EQ(resize(bitmap, 60, -1), kInvalidArgument);
  EXPECT_EQ(resize(bitmap, kMaxDimension + 1, 1), kTooLarge);
  EXPECT_EQ(bitmap.width(), 16) << "a refused resize leaves the picture";
}

}  // namespace
}  // namespace imaging
