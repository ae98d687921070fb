// FlashPix files, checked as structured storage by python3-olefile.

#include <gtest/gtest.h>

#include "imaging/save.h"
#include "imaging/tests/test_support.h"

namespace imaging {
namespace {

std::string checkFpx(int width, int height, int bits) {
  const std::string base = testing::scratchDirectory() + "/picture" + std::to_string(width) + "_" +
                           std::to_string(bits);
  const Bitmap scene = testing::makeScene(width, height, bits);
  const std::string reference = base + (bits == 24 ? ".ppm" : ".pgm");
  testing::writeNetpbm(scene, reference);
  const Status status = save(base + ".fpx", scene, kFormatFpx, bits, 0);
  if (status != kSuccess) return std::string("save: ") + statusText(status);
  const auto result = testing::run({PYTHON_PATH, CHECK_FPX_PATH, base + ".fpx", reference});
  return result.output;
}

TEST(Fpx, ColourPictureIsAFlashPixImageView) {
  EXPECT_EQ(checkFpx(157, 101, 24), "ok\n");
  EXPECT_EQ(checkFpx(640, 480, 24), "ok\n");
}

TEST(Fpx, GreyPictureIsMonochrome) {
  EXPECT_EQ(checkFpx(157, 101, 8), "ok\n");
  EXPECT_EQ(checkFpx(640, 480, 8), "ok\n");
}

TEST(Fpx, PicturesOfOneTileAndOfManyMegabytes) {
  EXPECT_EQ(checkFpx(1, 1, 24), "ok\n");
  EXPECT_EQ(checkFpx(64, 64, 8), "ok\n");
  // Past 7 MB the sector table needs more than the header can list.
  EXPECT_EQ(checkFpx(2000, 1500, 24), "ok\n");
}

}  // namespace
}  // namespace imaging
