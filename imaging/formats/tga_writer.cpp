// Truevision TGA 2.0: uncompressed true-colour (type 2, blue-green-red) or
// grey (type 3), with the TGA 2.0 footer. The origin is the top-left corner
// and lines run from the top: readers disagree about files with the default
// bottom-left origin (some show them upside down), none about this one.

#include <cstring>

#include "imaging/formats/bytes.h"
#include "imaging/formats/picture.h"

namespace imaging::formats {
namespace {

constexpr std::uint8_t kTypeTrueColour = 2;
constexpr std::uint8_t kTypeGrey = 3;
constexpr std::uint8_t kOriginTopLeft = 0x20;  // descriptor bit 5
constexpr char kFooterSignature[] = "TRUEVISION-XFILE.";

}  // namespace

Status writeTga(const Picture& picture, std::vector<std::uint8_t>& out) {
  const int width = picture.width();
  const int height = picture.height();
  if (width > 0xFFFF || height > 0xFFFF) return kTooLarge;
  const bool colour = picture.colour();
  const std::size_t lineBytes = static_cast<std::size_t>(width) * (colour ? 3 : 1);
  out.reserve(out.size() + 18 + lineBytes * height + 26);

  ByteWriter w(out);
  w.u8(0);                                         // image id length
  w.u8(0);                                         // no colour map
  w.u8(colour ? kTypeTrueColour : kTypeGrey);      // image type
  w.zeros(5);                                      // colour map: first entry, length, entry size
  w.u16le(0);                                      // x origin
  w.u16le(0);                                      // y origin
  w.u16le(static_cast<std::uint16_t>(width));
  w.u16le(static_cast<std::uint16_t>(height));
  w.u8(colour ? 24 : 8);                           // pixel depth
  w.u8(kOriginTopLeft);                            // image descriptor

  for (int y = 0; y < height; ++y) {
    const std::size_t start = out.size();
    out.resize(start + lineBytes);
    if (colour) {
      picture.lineBgr(y, out.data() + start);
    } else {
      std::memcpy(out.data() + start, picture.line(y), lineBytes);
    }
  }

  w.u32le(0);  // extension area offset: none
  w.u32le(0);  // developer directory offset: none
  w.bytes(kFooterSignature, sizeof kFooterSignature);  // with its terminating zero
  return kSuccess;
}

}  // namespace imaging::formats
