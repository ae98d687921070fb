#include "imaging/dib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/tests/test_support.h"

namespace imaging {
namespace {

// A packed DIB built by hand: header, `colours` palette entries, rows.
std::vector<std::uint8_t> packedDib(BitmapInfoHeader h, std::uint32_t colours, std::size_t pixelBytes) {
  // Headers that claim an odd size are laid out as 40 bytes.
  const std::size_t headerBytes = h.size >= 40 && h.size <= 1024 ? h.size : 40;
  std::vector<std::uint8_t> dib(headerBytes + colours * 4 + pixelBytes, 0);
  writeBitmapInfoHeader(h, dib.data());
  for (std::uint32_t i = 0; i < colours; ++i) {
    dib[headerBytes + 4 * i] = static_cast<std::uint8_t>(i);          // blue
    dib[headerBytes + 4 * i + 1] = static_cast<std::uint8_t>(255 - i);  // green
    dib[headerBytes + 4 * i + 2] = 7;                                  // red
  }
  return dib;
}

BitmapInfoHeader header(std::int32_t width, std::int32_t height, std::uint16_t bits) {
  BitmapInfoHeader h;
  h.width = width;
  h.height = height;
  h.bitCount = bits;
  return h;
}

TEST(Dib, ToDibGivesTheLayoutTheModuleAndAlbumsExpect) {
  const SIZE_T before = LumoGlobalLiveCount();
  Bitmap grey = testing::makeScene(352, 288, 8);
  grey.setResolution(72, 72);
  HGLOBAL handle = nullptr;
  ASSERT_EQ(toDib(grey, &handle), kSuccess);
  EXPECT_EQ(GlobalSize(handle), 40u + 1024u + 101376u);
  const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(handle));
  const BitmapInfoHeader h = readBitmapInfoHeader(bytes);
  EXPECT_EQ(h.size, 40u);
  EXPECT_EQ(h.width, 352);
  EXPECT_EQ(h.height, 288) << "positive: bottom-up";
  EXPECT_EQ(h.bitCount, 8);
  EXPECT_EQ(h.clrUsed, 256u);
  EXPECT_EQ(h.xPelsPerMeter, 2835) << "72 pixels per inch";
  EXPECT_EQ(bytes[40 + 4 * 200], 200);      // grey palette entry 200: blue
  EXPECT_EQ(bytes[40 + 4 * 200 + 2], 200);  // and red
  // The first stored row is the bottom line of the picture.
  EXPECT_EQ(std::memcmp(bytes + 40 + 1024, grey.line(287), 352), 0);
  GlobalUnlock(handle);
  GlobalFree(handle);

  Bitmap colour = testing::makeScene(640, 480, 24);
  ASSERT_EQ(toDib(colour, &handle), kSuccess);
  EXPECT_EQ(GlobalSize(handle), 40u + 921600u);
  GlobalFree(handle);
  EXPECT_EQ(LumoGlobalLiveCount(), before);
}

TEST(Dib, RoundTripKeepsPixelsPaletteAndResolution) {
  for (int bits : {8, 24}) {
    Bitmap original = testing::makeScene(157, 101, bits);  // rows need padding
    original.setResolution(300, 150);
    HGLOBAL handle = nullptr;
    ASSERT_EQ(toDib(original, &handle), kSuccess);
    Bitmap back;
    ASSERT_EQ(fromDibHandle(back, handle), kSuccess);
    EXPECT_EQ(GlobalSize(handle), 0u) << "the block passed to the library and is gone";
    ASSERT_EQ(back.width(), 157);
    ASSERT_EQ(back.height(), 101);
    ASSERT_EQ(back.bitsPerPixel(), bits);
    EXPECT_EQ(back.xResolution(), 300);
    EXPECT_EQ(back.yResolution(), 150);
    for (int y = 0; y < 101; ++y) {
      ASSERT_EQ(std::memcmp(back.line(y), original.line(y), 157 * bits / 8), 0) << "line " << y;
    }
  }
}

TEST(Dib, RgbOrderedBitmapsBecomeBlueGreenRedDibs) {
  Bitmap bitmap;
  ASSERT_EQ(allocate(bitmap, 1, 1, 24), kSuccess);
  ASSERT_EQ(setAttribute(bitmap, kAttributeColourOrderRgb), kSuccess);
  bitmap.line(0)[0] = 10;  // red
  bitmap.line(0)[1] = 20;
  bitmap.line(0)[2] = 30;  // blue
  HGLOBAL handle = nullptr;
  ASSERT_EQ(toDib(bitmap, &handle), kSuccess);
  const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(handle));
  EXPECT_EQ(bytes[40], 30);
  EXPECT_EQ(bytes[42], 10);
  GlobalUnlock(handle);
  GlobalFree(handle);
}

TEST(Dib, AShortColourTableIsReadAsGivenAndTheRestIsBlack) {
  BitmapInfoHeader h = header(4, 2, 8);
  h.clrUsed = 16;
  std::vector<std::uint8_t> dib = packedDib(h, 16, 8);
  dib[40 + 64] = 15;  // first pixel uses the last given entry
  dib[40 + 65] = 200; // second one an entry the table does not give
  Bitmap bitmap;
  ASSERT_EQ(fromDib(bitmap, dib.data(), dib.size()), kSuccess);
  EXPECT_EQ(bitmap.palette()[15], (PaletteEntry{7, 240, 15}));
  EXPECT_EQ(bitmap.palette()[200], (PaletteEntry{0, 0, 0}));
  EXPECT_FALSE(bitmap.hasGreyPalette());
  EXPECT_EQ(bitmap.line(1)[0], 15) << "the first stored row is the bottom line";
}

TEST(Dib, ALargerHeaderIsSkippedByItsSize) {
  BitmapInfoHeader h = header(2, 1, 24);
  h.size = 124;  // a version 5 header
  std::vector<std::uint8_t> dib = packedDib(h, 0, 8);
  dib[124] = 99;
  Bitmap bitmap;
  ASSERT_EQ(fromDib(bitmap, dib.data(), dib.size()), kSuccess);
  EXPECT_EQ(bitmap.line(0)[0], 99);
}

struct Refusal {
  const char* what;
  BitmapInfoHeader header;
  std::size_t pixelBytes;
  Status expected;
};

class DibRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(DibRefusal, IsRefusedAndLeavesTheBitmapAlone) {
  const Refusal& r = GetParam();
  const std::uint32_t colours = r.header.bitCount == 8 && r.header.clrUsed <= 256 ? 256 : 0;
  std::vector<std::uint8_t> dib = packedDib(r.header, colours, r.pixelBytes);
  Bitmap bitmap;
  ASSERT_EQ(allocate(bitmap, 3, 3, 8), kSuccess);
  EXPECT_EQ(fromDib(bitmap, dib.data(), dib.size()), r.expected) << r.what;
  EXPECT_EQ(bitmap.width(), 3) << r.what;
  EXPECT_TRUE(bitmap.allocated());
}

BitmapInfoHeader with(BitmapInfoHeader h, void (*change)(BitmapInfoHeader&)) {
  change(h);
  return h;
}

INSTANTIATE_TEST_SUITE_P(
    Headers, DibRefusal,
    ::testing::Values(
        Refusal{"zero width", header(0, 4, 24), 64, kInvalidDib},
        Refusal{"zero height", header(4, 0, 24), 64, kInvalidDib},
        Refusal{"negative width", header(-4, 4, 24), 64, kInvalidDib},
        Refusal{"negative (top-down) height", header(4, -4, 24), 64, kInvalidDib},
        Refusal{"16 bits", header(4, 4, 16), 64, kUnsupportedDepth},
        Refusal{"32 bits", header(4, 4, 32), 64, kUnsupportedDepth},
        Refusal{"1 bit", header(4, 4, 1), 64, kUnsupportedDepth},
        Refusal{"0 bits", header(4, 4, 0), 64, kUnsupportedDepth},
        Refusal{"two planes", with(header(4, 4, 24), [](BitmapInfoHeader& h) { h.planes = 2; }), 64, kInvalidDib},
        Refusal{"run-length compressed", with(header(4, 4, 8), [](BitmapInfoHeader& h) { h.compression = 1; }), 64, kInvalidDib},
        Refusal{"header size below 40", with(header(4, 4, 24), [](BitmapInfoHeader& h) { h.size = 12; }), 64, kInvalidDib},
        Refusal{"header size past the block", with(header(4, 4, 24), [](BitmapInfoHeader& h) { h.size = 100000; }), 64, kInvalidDib},
        Refusal{"too many colours", with(header(4, 4, 8), [](BitmapInfoHeader& h) { h.clrUsed = 257; }), 16, kInvalidDib},
        Refusal{"colours count overflowing 32 bits", with(header(4, 4, 8), [](BitmapInfoHeader& h) { h.clrUsed = 0x40000001; }), 16, kInvalidDib},
        Refusal{"pixels cut short", header(4, 4, 24), 47, kInvalidDib},
        Refusal{"pixels cut short with padding", header(3, 2, 24), 23, kInvalidDib},
        Refusal{"width times height overflows", header(0x7FFFFFFF, 0x7FFFFFFF, 24), 64, kTooLarge},
        Refusal{"one huge side", header(1, 0x40000000, 8), 64, kTooLarge},
        Refusal{"beyond the pixel limit", header(30000, 30000, 24), 64, kTooLarge}));

TEST(Dib, NullShortAndBadHandlesAreRefused) {
  Bitmap bitmap;
  EXPECT_EQ(fromDib(bitmap, nullptr, 100), kInvalidDib);
  const std::uint8_t few[39] = {};
  EXPECT_EQ(fromDib(bitmap, few, sizeof few), kInvalidDib);
  EXPECT_EQ(fromDibHandle(bitmap, nullptr), kInvalidDib);
  HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
  const SIZE_T before = LumoGlobalLiveCount();
  EXPECT_EQ(fromDibHandle(bitmap, empty), kInvalidDib);
  EXPECT_EQ(LumoGlobalLiveCount(), before - 1) << "even a refused block is freed";
  HGLOBAL out = reinterpret_cast<HGLOBAL>(1);
  EXPECT_EQ(toDib(bitmap, &out), kNoBitmap);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(toDib(bitmap, nullptr), kInvalidArgument);
}

}  // namespace
}  // namespace imaging
