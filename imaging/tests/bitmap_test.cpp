#include "imaging/bitmap.h"

#include <gtest/gtest.h>

#include <vector>

#include "imaging/save_options.h"

namespace imaging {
namespace {

TEST(Bitmap, AllocateDescribesAZeroedBottomUpPicture) {
  Bitmap bitmap;
  EXPECT_FALSE(bitmap.allocated());
  ASSERT_EQ(allocate(bitmap, 641, 3, 24), kSuccess);
  EXPECT_TRUE(bitmap.allocated());
  EXPECT_EQ(bitmap.width(), 641);
  EXPECT_EQ(bitmap.height(), 3);
  EXPECT_EQ(bitmap.bitsPerPixel(), 24);
  EXPECT_EQ(bitmap.bytesPerLine(), 1924u) << "rows padded to whole 32-bit words";
  EXPECT_EQ(bitmap.rowOrder(), RowOrder::BottomUp);
  EXPECT_EQ(bitmap.colourOrder(), ColourOrder::Bgr);
  EXPECT_EQ(bitmap.xResolution(), 0);
  for (int r = 0; r < 3; ++r) {
    for (std::size_t i = 0; i < bitmap.bytesPerLine(); ++i) ASSERT_EQ(bitmap.storageRow(r)[i], 0);
  }
  ASSERT_EQ(allocate(bitmap, 160, 120, 8), kSuccess);
  EXPECT_EQ(bitmap.bytesPerLine(), 160u);
  EXPECT_TRUE(bitmap.hasGreyPalette());
}

TEST(Bitmap, AllocateRefusesImpossibleSizesAndDepths) {
  Bitmap bitmap;
  EXPECT_EQ(allocate(bitmap, 0, 10, 24), kInvalidArgument);
  EXPECT_EQ(allocate(bitmap, 10, -1, 24), kInvalidArgument);
  EXPECT_EQ(allocate(bitmap, 10, 10, 16), kUnsupportedDepth);
  EXPECT_EQ(allocate(bitmap, 10, 10, 1), kUnsupportedDepth);
  EXPECT_EQ(allocate(bitmap, kMaxDimension + 1, 10, 8), kTooLarge);
  EXPECT_EQ(allocate(bitmap, kMaxDimension, kMaxDimension, 24), kTooLarge) << "3 GiB of pixels";
  EXPECT_FALSE(bitmap.allocated());

  // The limits written out: 32,768 pixels a side and 512 MiB of pixels are
  // taken, one more of either is not (described only, nothing allocated).
  EXPECT_EQ(initialise(bitmap, 32768, 1, 8), kSuccess);
  EXPECT_EQ(initialise(bitmap, 1, 32769, 8), kTooLarge);
  EXPECT_EQ(initialise(bitmap, 32768, 16384, 8), kSuccess);
  EXPECT_EQ(initialise(bitmap, 32768, 16385, 8), kTooLarge);
}

TEST(Bitmap, InitialiseDescribesWithoutStorageUntilAllocated) {
  Bitmap bitmap;
  ASSERT_EQ(initialise(bitmap, 352, 288, 8), kSuccess);
  EXPECT_EQ(bitmap.width(), 352);
  EXPECT_FALSE(bitmap.allocated());
  EXPECT_EQ(beginRowAccess(bitmap), kNoBitmap);
  ASSERT_EQ(allocateStorage(bitmap), kSuccess);
  EXPECT_EQ(bitmap.storageBytes(), 101376u);
}

TEST(Bitmap, RowsGoInAndOutOnlyInsideRowAccessAndInsideTheStorage) {
  Bitmap bitmap;
  ASSERT_EQ(allocate(bitmap, 4, 3, 24), kSuccess);  // 12-byte rows, no padding
  const std::vector<std::uint8_t> row = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  EXPECT_EQ(putRow(bitmap, row.data(), 0, row.size()), kNotAccessing);

  ASSERT_EQ(beginRowAccess(bitmap), kSuccess);
  EXPECT_EQ(putRow(bitmap, row.data(), 2, row.size()), kSuccess);
  EXPECT_EQ(putRow(bitmap, row.data(), 3, row.size()), kInvalidArgument) << "past the last row";
  EXPECT_EQ(putRow(bitmap, row.data(), -1, row.size()), kInvalidArgument);
  EXPECT_EQ(putRow(bitmap, row.data(), 2, row.size() + 1), kInvalidArgument) << "past the storage";

  // Two rows at once are fine when they fit.
  std::vector<std::uint8_t> two(24);
  EXPECT_EQ(getRow(bitmap, two.data(), 1, two.size()), kSuccess);
  EXPECT_EQ(std::vector<std::uint8_t>(two.begin() + 12, two.end()), row);
  EXPECT_EQ(getRow(bitmap, two.data(), 2, two.size()), kInvalidArgument);
  ASSERT_EQ(endRowAccess(bitmap), kSuccess);
  EXPECT_EQ(endRowAccess(bitmap), kNotAccessing);

  // Storage row 2 of a bottom-up picture is its top line.
  EXPECT_EQ(bitmap.line(0), bitmap.storageRow(2));
  EXPECT_EQ(bitmap.line(0)[11], 12);
}

TEST(Bitmap, AttributeOneMeansBlueGreenRed) {
  Bitmap bitmap;
  ASSERT_EQ(allocate(bitmap, 2, 2, 24), kSuccess);
  EXPECT_EQ(setAttribute(bitmap, kAttributeColourOrderRgb), kSuccess);
  EXPECT_EQ(bitmap.colourOrder(), ColourOrder::Rgb);
  EXPECT_EQ(setAttribute(bitmap, 1), kSuccess);
  EXPECT_EQ(bitmap.colourOrder(), ColourOrder::Bgr);
  EXPECT_EQ(setAttribute(bitmap, 7), kInvalidArgument);
}

TEST(Bitmap, ReleaseEmptiesAndMovingHandsTheStorageOver) {
  Bitmap bitmap;
  ASSERT_EQ(allocate(bitmap, 8, 8, 8), kSuccess);
  bitmap.setResolution(72, 72);
  Bitmap moved = std::move(bitmap);
  EXPECT_FALSE(bitmap.allocated());  // NOLINT(bugprone-use-after-move): a moved-from bitmap is empty
  EXPECT_TRUE(moved.allocated());
  EXPECT_EQ(moved.xResolution(), 72);
  release(moved);
  EXPECT_FALSE(moved.allocated());
  EXPECT_EQ(moved.width(), 0);
  EXPECT_EQ(moved.xResolution(), 0);
  release(moved);  // twice is harmless
}

TEST(SaveOptions, TheRecordIsTakenWholeOrNotAtAll) {
  SaveOptions options;
  options.fields[0] = 72;
  options.fields[1] = 72;
  options.fields[4] = 1;
  setSaveOptions(options);
  EXPECT_EQ(saveOptions().defaultResolutionX(), 72);

  std::vector<std::uint8_t> shortRecord(1000);
  EXPECT_EQ(setSaveOptions(shortRecord.data(), shortRecord.size()), kInvalidArgument);
  EXPECT_EQ(saveOptions().fields[4], 1) << "a refused record changes nothing";
  std::vector<std::uint8_t> zeros(sizeof(SaveOptions));
  EXPECT_EQ(setSaveOptions(zeros.data(), zeros.size()), kSuccess);
  EXPECT_EQ(saveOptions().defaultResolutionX(), 0);
}

}  // namespace
}  // namespace imaging
