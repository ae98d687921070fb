// ZSoft PCX version 5, run-length encoded: one 8-bit plane with a 256-colour
// palette after the pixels (grey or palette pictures), or three 8-bit planes
// red, green, blue per line (colour pictures).

#include <algorithm>

#include "imaging/formats/bytes.h"
#include "imaging/formats/picture.h"

namespace imaging::formats {
namespace {

constexpr std::uint8_t kManufacturer = 10;
constexpr std::uint8_t kVersion = 5;  // 3.0 and later, with a 256-colour palette
constexpr std::uint8_t kEncodingRle = 1;
constexpr std::uint16_t kPaletteInfoColour = 1;
constexpr std::uint16_t kPaletteInfoGrey = 2;
constexpr std::uint8_t kPaletteMarker = 0x0C;
constexpr int kMaxRun = 63;
constexpr std::uint8_t kRunFlag = 0xC0;

// One plane of one line. Runs never cross the end of a plane line; a single
// byte with both top bits set needs a run of one.
void encodeRun(const std::uint8_t* data, int count, std::vector<std::uint8_t>& out) {
  int i = 0;
  while (i < count) {
    const std::uint8_t value = data[i];
    int run = 1;
    while (i + run < count && run < kMaxRun && data[i + run] == value) ++run;
    if (run > 1 || value >= kRunFlag) out.push_back(static_cast<std::uint8_t>(kRunFlag | run));
    out.push_back(value);
    i += run;
  }
}

}  // namespace

Status writePcx(const Picture& picture, std::vector<std::uint8_t>& out) {
  const int width = picture.width();
  const int height = picture.height();
  if (width > 0xFFFF || height > 0xFFFF) return kTooLarge;
  const int planes = picture.colour() ? 3 : 1;
  const int bytesPerPlaneLine = (width + 1) & ~1;  // even, as readers expect

  // Run-length coding can grow noisy lines by half at worst.
  out.reserve(out.size() + 128 + static_cast<std::size_t>(bytesPerPlaneLine) * planes * height * 3 / 2 + 769);
  ByteWriter w(out);
  w.u8(kManufacturer);
  w.u8(kVersion);
  w.u8(kEncodingRle);
  w.u8(8);                                          // bits per pixel per plane
  w.u16le(0);                                       // x min
  w.u16le(0);                                       // y min
  w.u16le(static_cast<std::uint16_t>(width - 1));   // x max
  w.u16le(static_cast<std::uint16_t>(height - 1));  // y max
  w.u16le(static_cast<std::uint16_t>(std::min(picture.xDpi, 0xFFFF)));  // horizontal dpi
  w.u16le(static_cast<std::uint16_t>(std::min(picture.yDpi, 0xFFFF)));  // vertical dpi
  w.zeros(48);                                      // 16-colour palette, unused
  w.u8(0);                                          // reserved
  w.u8(static_cast<std::uint8_t>(planes));          // colour planes
  w.u16le(static_cast<std::uint16_t>(bytesPerPlaneLine));
  w.u16le(picture.colour() || picture.indexed() ? kPaletteInfoColour : kPaletteInfoGrey);
  w.u16le(0);                                       // horizontal screen size
  w.u16le(0);                                       // vertical screen size
  w.zeros(54);                                      // filler to 128 bytes

  std::vector<std::uint8_t> plane(static_cast<std::size_t>(bytesPerPlaneLine), 0);
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * 3);
  for (int y = 0; y < height; ++y) {
    if (planes == 1) {
      std::copy_n(picture.line(y), width, plane.begin());
      encodeRun(plane.data(), bytesPerPlaneLine, out);
      continue;
    }
    picture.lineRgb(y, rgb.data());
    for (int p = 0; p < 3; ++p) {
      for (int x = 0; x < width; ++x) plane[x] = rgb[3 * x + p];
      encodeRun(plane.data(), bytesPerPlaneLine, out);
    }
  }

  if (planes == 1) {
    w.u8(kPaletteMarker);
    for (const PaletteEntry& e : picture.palette()) {
      w.u8(e.red);
      w.u8(e.green);
      w.u8(e.blue);
    }
  }
  return kSuccess;
}

}  // namespace imaging::formats
