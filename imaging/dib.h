#pragma once
// Packed device-independent bitmaps: a 40-byte BITMAPINFOHEADER, the colour
// table, then the rows bottom-up, each padded to four bytes, blue-green-red.
// The form in which pictures pass between the system's parts.

#include <cstddef>
#include <cstdint>

#include "imaging/bitmap.h"
#include "platform/memory/global_memory.h"

namespace imaging {

inline constexpr std::size_t kBitmapInfoHeaderSize = 40;
inline constexpr std::size_t kBitmapFileHeaderSize = 14;
inline constexpr std::uint16_t kBitmapFileType = 0x4D42;  // "BM"
inline constexpr std::uint32_t kCompressionNone = 0;      // BI_RGB

struct BitmapInfoHeader {
  std::uint32_t size = kBitmapInfoHeaderSize;
  std::int32_t width = 0;
  std::int32_t height = 0;  // positive: rows bottom-up
  std::uint16_t planes = 1;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = kCompressionNone;
  std::uint32_t sizeImage = 0;
  std::int32_t xPelsPerMeter = 0;
  std::int32_t yPelsPerMeter = 0;
  std::uint32_t clrUsed = 0;
  std::uint32_t clrImportant = 0;
};

// Reads the 40 header bytes at p (little-endian).
BitmapInfoHeader readBitmapInfoHeader(const std::uint8_t* p);
// Writes the 40 header bytes to out.
void writeBitmapInfoHeader(const BitmapInfoHeader& header, std::uint8_t* out);

// Pixels per metre (DIB headers) and per inch (the bitmap), rounded.
int dotsPerInchFromPelsPerMeter(std::int32_t pelsPerMeter);
std::int32_t pelsPerMeterFromDotsPerInch(int dotsPerInch);

// Operation "from DIB": the packed DIB of `size` bytes at `dib` becomes a
// bitmap of the same size and depth (8 or 24 bits, uncompressed, positive
// width and height, one plane, at most 256 colours). Anything else is refused
// (kInvalidDib, kUnsupportedDepth, kTooLarge) and leaves `bitmap` unchanged.
// 8-bit pictures keep their colour table as the palette; resolutions come
// from the pixels per metre.
Status fromDib(Bitmap& bitmap, const void* dib, std::size_t size);

// The same from a global-memory block. The block passes to the library: it is
// freed before the call returns, whatever the result.
Status fromDibHandle(Bitmap& bitmap, HGLOBAL dib);

// Operation "to DIB": the bitmap as a packed DIB in one block of movable
// global memory (256 palette entries for 8-bit pictures, colours used 256),
// which the caller owns and frees with GlobalFree.
Status toDib(const Bitmap& bitmap, HGLOBAL* dib);

}  // namespace imaging
