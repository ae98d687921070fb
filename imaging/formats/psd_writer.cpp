// Photoshop document, version 1: grey (mode 1) or RGB (mode 3) at 8 bits per
// channel, no layers, the resolution as a ResolutionInfo resource, the
// composite image as raw planes.

#include <algorithm>

#include "imaging/formats/bytes.h"
#include "imaging/formats/picture.h"

namespace imaging::formats {
namespace {

constexpr char kSignature[] = "8BPS";
constexpr std::uint16_t kVersion = 1;
constexpr std::uint16_t kModeGrey = 1;
constexpr std::uint16_t kModeRgb = 3;
constexpr std::uint16_t kResolutionInfoId = 0x03ED;
constexpr std::uint16_t kUnitPixelsPerInch = 1;
constexpr std::uint16_t kUnitInches = 1;
constexpr std::uint16_t kCompressionRaw = 0;
constexpr int kMaxSide = 30000;

}  // namespace

Status writePsd(const Picture& picture, std::vector<std::uint8_t>& out) {
  const int width = picture.width();
  const int height = picture.height();
  if (width > kMaxSide || height > kMaxSide) return kTooLarge;
  const bool colour = picture.colour();
  const int channels = colour ? 3 : 1;
  const std::size_t planeBytes = static_cast<std::size_t>(width) * height;
  out.reserve(out.size() + 64 + planeBytes * channels);

  ByteWriter w(out);
  w.text(kSignature);
  w.u16be(kVersion);
  w.zeros(6);                                  // reserved
  w.u16be(static_cast<std::uint16_t>(channels));
  w.u32be(static_cast<std::uint32_t>(height));
  w.u32be(static_cast<std::uint32_t>(width));
  w.u16be(8);                                  // bits per channel
  w.u16be(colour ? kModeRgb : kModeGrey);

  w.u32be(0);                                  // colour mode data: none

  if (picture.xDpi > 0 && picture.yDpi > 0) {
    w.u32be(28);                                // image resources section length
    w.text("8BIM");
    w.u16be(kResolutionInfoId);
    w.u16be(0);                                 // empty Pascal name, padded to even
    w.u32be(16);                                // resource data length
    w.u32be(static_cast<std::uint32_t>(std::min(picture.xDpi, 0x7FFF)) << 16);  // 16.16
    w.u16be(kUnitPixelsPerInch);
    w.u16be(kUnitInches);
    w.u32be(static_cast<std::uint32_t>(std::min(picture.yDpi, 0x7FFF)) << 16);
    w.u16be(kUnitPixelsPerInch);
    w.u16be(kUnitInches);
  } else {
    w.u32be(0);                                 // image resources: none
  }

  w.u32be(0);                                  // layer and mask information: none
  w.u16be(kCompressionRaw);

  const std::size_t start = out.size();
  out.resize(start + planeBytes * channels);
  std::uint8_t* planes = out.data() + start;
  std::vector<std::uint8_t> rgb(colour ? static_cast<std::size_t>(width) * 3 : 0);
  for (int y = 0; y < height; ++y) {
    const std::size_t lineStart = static_cast<std::size_t>(y) * width;
    if (!colour) {
      std::copy_n(picture.line(y), width, planes + lineStart);
      continue;
    }
    picture.lineRgb(y, rgb.data());
    for (int x = 0; x < width; ++x) {
      planes[lineStart + x] = rgb[3 * x];
      planes[planeBytes + lineStart + x] = rgb[3 * x + 1];
      planes[2 * planeBytes + lineStart + x] = rgb[3 * x + 2];
    }
  }
  return kSuccess;
}

}  // namespace imaging::formats
