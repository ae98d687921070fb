#pragma once
// What a format writer reads: a bitmap seen line by line from the top, with
// the resolution to record. save() prepares it so that writers only meet
// 8-bit grey, 8-bit with a palette (only writers that take one), or 24-bit.

#include <cstdint>
#include <vector>

#include "imaging/bitmap.h"

namespace imaging::formats {

struct Picture {
  const Bitmap* bitmap = nullptr;
  int xDpi = 0;  // pixels per inch to record; 0 unknown
  int yDpi = 0;

  int width() const { return bitmap->width(); }
  int height() const { return bitmap->height(); }
  bool colour() const { return bitmap->bitsPerPixel() == 24; }
  // 8-bit with a palette other than the grey ramp.
  bool indexed() const { return !colour() && !bitmap->hasGreyPalette(); }
  const Palette& palette() const { return bitmap->palette(); }
  bool storedBgr() const { return bitmap->colourOrder() == ColourOrder::Bgr; }

  // Line y as stored: grey or palette indices, or 3-byte pixels.
  const std::uint8_t* line(int y) const { return bitmap->line(y); }
  // Line y as red-green-blue (colour pictures), written to `out`.
  void lineRgb(int y, std::uint8_t* out) const;
  // Line y as blue-green-red (colour pictures), written to `out`.
  void lineBgr(int y, std::uint8_t* out) const;
};

// The writers. Each appends the whole file to `out`.
Status writeBmp(const Picture& picture, std::vector<std::uint8_t>& out);
Status writePcx(const Picture& picture, std::vector<std::uint8_t>& out);
Status writeTga(const Picture& picture, std::vector<std::uint8_t>& out);
Status writePsd(const Picture& picture, std::vector<std::uint8_t>& out);
Status writeGif(const Picture& picture, std::vector<std::uint8_t>& out);
Status writeTiff(const Picture& picture, std::vector<std::uint8_t>& out);
Status writePng(const Picture& picture, std::vector<std::uint8_t>& out);
// `quality` is the libjpeg quality 1..100.
Status writeJpeg(const Picture& picture, int quality, std::vector<std::uint8_t>& out);
Status writeFpx(const Picture& picture, std::vector<std::uint8_t>& out);

}  // namespace imaging::formats
