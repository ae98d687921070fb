#include "imaging/formats/picture.h"

#include <cstring>

namespace imaging::formats {

namespace {

void copySwapped(const std::uint8_t* in, std::uint8_t* out, int width) {
  for (int x = 0; x < width; ++x) {
    out[3 * x] = in[3 * x + 2];
    out[3 * x + 1] = in[3 * x + 1];
    out[3 * x + 2] = in[3 * x];
  }
}

}  // namespace

void Picture::lineRgb(int y, std::uint8_t* out) const {
  if (storedBgr()) {
    copySwapped(line(y), out, width());
  } else {
    std::memcpy(out, line(y), static_cast<std::size_t>(width()) * 3);
  }
}

void Picture::lineBgr(int y, std::uint8_t* out) const {
  if (storedBgr()) {
    std::memcpy(out, line(y), static_cast<std::size_t>(width()) * 3);
  } else {
    copySwapped(line(y), out, width());
  }
}

}  // namespace imaging::formats
