// Windows BMP: file header, BITMAPINFOHEADER, colour table (8-bit), rows
// bottom-up padded to four bytes, blue-green-red.

#include <cstring>

#include "imaging/dib.h"
#include "imaging/formats/bytes.h"
#include "imaging/formats/picture.h"

namespace imaging::formats {

Status writeBmp(const Picture& picture, std::vector<std::uint8_t>& out) {
  const bool indexed8 = !picture.colour();
  const std::size_t paletteBytes = indexed8 ? 256 * 4 : 0;
  const std::size_t stride = paddedRowBytes(picture.width(), indexed8 ? 8 : 24);
  const std::size_t pixelBytes = stride * static_cast<std::size_t>(picture.height());
  const std::size_t pixelOffset = kBitmapFileHeaderSize + kBitmapInfoHeaderSize + paletteBytes;
  const std::size_t fileSize = pixelOffset + pixelBytes;
  if (fileSize > 0xFFFFFFFFu) return kTooLarge;
  out.reserve(out.size() + fileSize);

  ByteWriter w(out);
  w.u16le(kBitmapFileType);                          // type "BM"
  w.u32le(static_cast<std::uint32_t>(fileSize));     // file size
  w.u16le(0);                                        // reserved
  w.u16le(0);                                        // reserved
  w.u32le(static_cast<std::uint32_t>(pixelOffset));  // offset of the pixels

  BitmapInfoHeader h;
  h.width = picture.width();
  h.height = picture.height();
  h.bitCount = indexed8 ? 8 : 24;
  h.sizeImage = static_cast<std::uint32_t>(pixelBytes);
  h.xPelsPerMeter = pelsPerMeterFromDotsPerInch(picture.xDpi);
  h.yPelsPerMeter = pelsPerMeterFromDotsPerInch(picture.yDpi);
  h.clrUsed = indexed8 ? 256 : 0;
  h.clrImportant = indexed8 ? 256 : 0;
  std::uint8_t header[kBitmapInfoHeaderSize];
  writeBitmapInfoHeader(h, header);
  w.bytes(header, sizeof header);

  if (indexed8) {
    for (const PaletteEntry& e : picture.palette()) {
      w.u8(e.blue);
      w.u8(e.green);
      w.u8(e.red);
      w.u8(0);
    }
  }

  const std::size_t lineBytes = static_cast<std::size_t>(picture.width()) * (indexed8 ? 1 : 3);
  for (int y = picture.height() - 1; y >= 0; --y) {
    const std::size_t start = out.size();
    out.resize(start + stride, 0);
    if (indexed8) {
      std::memcpy(out.data() + start, picture.line(y), lineBytes);
    } else {
      picture.lineBgr(y, out.data() + start);
    }
  }
  return kSuccess;
}

}  // namespace imaging::formats
