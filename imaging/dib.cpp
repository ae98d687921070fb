#include "imaging/dib.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "imaging/formats/bytes.h"

namespace imaging {

using formats::readI32le;
using formats::readU16le;
using formats::readU32le;

namespace {

constexpr std::size_t kPaletteEntryBytes = 4;  // blue, green, red, reserved
constexpr std::uint32_t kMaxColours = 256;
constexpr double kMetresPerInch = 0.0254;

void putU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void putU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

BitmapInfoHeader readBitmapInfoHeader(const std::uint8_t* p) {
  BitmapInfoHeader h;
  h.size = readU32le(p + 0);
  h.width = readI32le(p + 4);
  h.height = readI32le(p + 8);
  h.planes = readU16le(p + 12);
  h.bitCount = readU16le(p + 14);
  h.compression = readU32le(p + 16);
  h.sizeImage = readU32le(p + 20);
  h.xPelsPerMeter = readI32le(p + 24);
  h.yPelsPerMeter = readI32le(p + 28);
  h.clrUsed = readU32le(p + 32);
  h.clrImportant = readU32le(p + 36);
  return h;
}

void writeBitmapInfoHeader(const BitmapInfoHeader& h, std::uint8_t* out) {
  putU32(out + 0, h.size);
  putU32(out + 4, static_cast<std::uint32_t>(h.width));
  putU32(out + 8, static_cast<std::uint32_t>(h.height));
  putU16(out + 12, h.planes);
  putU16(out + 14, h.bitCount);
  putU32(out + 16, h.compression);
  putU32(out + 20, h.sizeImage);
  putU32(out + 24, static_cast<std::uint32_t>(h.xPelsPerMeter));
  putU32(out + 28, static_cast<std::uint32_t>(h.yPelsPerMeter));
  putU32(out + 32, h.clrUsed);
  putU32(out + 36, h.clrImportant);
}

int dotsPerInchFromPelsPerMeter(std::int32_t pelsPerMeter) {
  if (pelsPerMeter <= 0) return 0;
  return static_cast<int>(std::lround(pelsPerMeter * kMetresPerInch));
}

std::int32_t pelsPerMeterFromDotsPerInch(int dotsPerInch) {
  if (dotsPerInch <= 0) return 0;
  return static_cast<std::int32_t>(std::lround(dotsPerInch / kMetresPerInch));
}

Status fromDib(Bitmap& bitmap, const void* dib, std::size_t size) {
  if (dib == nullptr || size < kBitmapInfoHeaderSize) return kInvalidDib;
  const auto* bytes = static_cast<const std::uint8_t*>(dib);
  const BitmapInfoHeader h = readBitmapInfoHeader(bytes);

  if (h.size < kBitmapInfoHeaderSize || h.size > size) return kInvalidDib;
  if (h.width <= 0 || h.height <= 0 || h.planes != 1) return kInvalidDib;
  if (h.bitCount != 8 && h.bitCount != 24) return kUnsupportedDepth;
  if (h.compression != kCompressionNone) return kInvalidDib;
  if (h.width > kMaxDimension || h.height > kMaxDimension) return kTooLarge;

  const std::uint32_t colours = h.clrUsed != 0 ? h.clrUsed : (h.bitCount == 8 ? kMaxColours : 0);
  if (colours > kMaxColours) return kInvalidDib;

  const std::size_t stride = paddedRowBytes(h.width, h.bitCount);
  const std::uint64_t pixelBytes = static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(h.height);
  if (pixelBytes > kMaxPixelBytes) return kTooLarge;
  const std::uint64_t pixelOffset = std::uint64_t{h.size} + std::uint64_t{colours} * kPaletteEntryBytes;
  if (pixelOffset > size || pixelBytes > size - pixelOffset) return kInvalidDib;

  Bitmap result;
  Status status = allocate(result, h.width, h.height, h.bitCount);
  if (status != kSuccess) return status;
  if (h.bitCount == 8) {
    Palette palette{};  // entries the table does not give stay black
    const std::uint8_t* table = bytes + h.size;
    for (std::uint32_t i = 0; i < colours; ++i) {
      const std::uint8_t* entry = table + i * kPaletteEntryBytes;
      palette[i] = PaletteEntry{entry[2], entry[1], entry[0]};
    }
    result.setPalette(palette);
  }
  // Both the DIB and a new bitmap store their rows bottom-up with the same
  // padding, so the pixel block copies over as it is.
  std::memcpy(result.storageRow(0), bytes + pixelOffset, static_cast<std::size_t>(pixelBytes));
  result.setResolution(dotsPerInchFromPelsPerMeter(h.xPelsPerMeter),
                       dotsPerInchFromPelsPerMeter(h.yPelsPerMeter));
  bitmap = std::move(result);
  return kSuccess;
}

Status fromDibHandle(Bitmap& bitmap, HGLOBAL dib) {
  const void* bytes = GlobalLock(dib);
  if (bytes == nullptr) {
    GlobalFree(dib);
    return kInvalidDib;
  }
  const Status status = fromDib(bitmap, bytes, GlobalSize(dib));
  GlobalUnlock(dib);
  GlobalFree(dib);
  return status;
}

Status toDib(const Bitmap& bitmap, HGLOBAL* dib) {
  if (dib == nullptr) return kInvalidArgument;
  *dib = nullptr;
  if (!bitmap.allocated()) return kNoBitmap;

  const bool indexed = bitmap.bitsPerPixel() == 8;
  const std::size_t paletteBytes = indexed ? kMaxColours * kPaletteEntryBytes : 0;
  const std::size_t stride = bitmap.bytesPerLine();
  const std::size_t pixelBytes = bitmap.storageBytes();
  const std::size_t total = kBitmapInfoHeaderSize + paletteBytes + pixelBytes;

  HGLOBAL handle = GlobalAlloc(GHND, total);
  if (handle == nullptr) return total > LUMO_GLOBAL_MAX_SIZE ? kTooLarge : kNoMemory;
  auto* out = static_cast<std::uint8_t*>(GlobalLock(handle));

  BitmapInfoHeader h;
  h.width = bitmap.width();
  h.height = bitmap.height();
  h.bitCount = static_cast<std::uint16_t>(bitmap.bitsPerPixel());
  h.sizeImage = static_cast<std::uint32_t>(pixelBytes);
  h.xPelsPerMeter = pelsPerMeterFromDotsPerInch(bitmap.xResolution());
  h.yPelsPerMeter = pelsPerMeterFromDotsPerInch(bitmap.yResolution());
  h.clrUsed = indexed ? kMaxColours : 0;
  h.clrImportant = indexed ? kMaxColours : 0;
  writeBitmapInfoHeader(h, out);

  std::uint8_t* table = out + kBitmapInfoHeaderSize;
  if (indexed) {
    for (std::size_t i = 0; i < kMaxColours; ++i) {
      const PaletteEntry& e = bitmap.palette()[i];
      table[i * 4 + 0] = e.blue;
      table[i * 4 + 1] = e.green;
      table[i * 4 + 2] = e.red;
    }
  }
  std::uint8_t* pixels = table + paletteBytes;
  const bool swap = !indexed && bitmap.colourOrder() == ColourOrder::Rgb;
  const std::size_t lineBytes = static_cast<std::size_t>(bitmap.width()) * (indexed ? 1 : 3);
  for (int i = 0; i < bitmap.height(); ++i) {
    const std::uint8_t* source = bitmap.line(bitmap.height() - 1 - i);
    std::uint8_t* target = pixels + static_cast<std::size_t>(i) * stride;
    if (!swap) {
      std::memcpy(target, source, lineBytes);
    } else {
      for (std::size_t x = 0; x < lineBytes; x += 3) {
        target[x] = source[x + 2];
        target[x + 1] = source[x + 1];
        target[x + 2] = source[x];
      }
    }
  }
  GlobalUnlock(handle);
  *dib = handle;
  return kSuccess;
}

}  // namespace imaging
