#pragma once
// Operation "save": a bitmap written to a file in the file type its format
// code names.
//
// | code | file type                                                        |
// |------|------------------------------------------------------------------|
// | 1    | PCX (version 5, run-length encoded)                              |
// | 2    | GIF (89a; colour pictures reduced to 256 colours)                |
// | 3    | TIFF (uncompressed)                                              |
// | 4    | TGA (2.0, uncompressed)                                          |
// | 5    | CMP: a PNG stream under the caller's name (see README)           |
// | 6    | Windows BMP                                                      |
// | 10   | JPEG (JFIF)                                                      |
// | 11   | JPEG (JFIF), the same writer                                     |
// | 75   | PNG                                                              |
// | 76   | PSD (Photoshop, version 1)                                       |
// | 80   | FPX (FlashPix image view in structured storage)                  |
//
// Bits per pixel: 24 writes colour, 8 writes grey (a colour bitmap is
// converted by luminance) or, for BMP, PCX and GIF, the bitmap's palette.
// Pictures with a coloured 8-bit palette are written in colour by the formats
// that cannot carry a palette here.
//
// The file is written under a temporary name in the same folder and renamed
// over its final name when complete, so a failed save never leaves a truncated picture behind.
// An existing writable file in a folder that takes no new file is written in
// place instead, with the same promise for failed writes (see README).

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/bitmap.h"

namespace imaging {

enum FormatCode : int {
  kFormatPcx = 1,
  kFormatGif = 2,
  kFormatTif = 3,
  kFormatTga = 4,
  kFormatCmp = 5,
  kFormatBmp = 6,
  kFormatJpeg = 10,
  kFormatJpegAlt = 11,
  kFormatPng = 75,
  kFormatPsd = 76,
  kFormatFpx = 80,
};

bool isKnownFormat(int formatCode);

// The quality value callers pass is the library's scale: 0 takes the default
// (libjpeg 90); 1 to 255 run from best to smallest, 2 being libjpeg quality
// 100 and each step after it about 0.39 lower (50 gives 81, 255 gives 1).
// Formats other than JPEG ignore it.
int jpegQualityFor(int quality);

Status save(const std::string& fileName, const Bitmap& bitmap, int formatCode, int bitsPerPixel,
            int quality);

// The same file image in memory, appended to `out`.
Status encode(const Bitmap& bitmap, int formatCode, int bitsPerPixel, int quality,
              std::vector<std::uint8_t>& out);

}  // namespace imaging
