// PNG through libpng: grey, palette or RGB at 8 bits, the resolution as pHYs.
//
// Compression is chosen for speed at ImageMagick's file sizes. libpng's
// defaults (zlib level 6, every filter weighed on every line) take about four
// times as long, and its per-line choice often does worse than one filter for
// the whole picture. So the picture gets the one filter that compresses a
// sample of its lines best (chooseFilter), and zlib level 4 with libpng's
// strategy for filtered data. A colour picture with at most 256 colours is
// written with a palette, exactly, as ImageMagick does.

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <new>

#include "imaging/dib.h"
#include "imaging/formats/colour_quantiser.h"
#include "imaging/formats/picture.h"

namespace imaging::formats {
namespace {

constexpr int kZlibLevel = 4;
constexpr int kTrialLevel = 1;
constexpr int kBands = 4;
constexpr int kBandLines = 8;

struct Output {
  std::vector<std::uint8_t>* bytes;
  bool outOfMemory = false;
};

void writeBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* output = static_cast<Output*>(png_get_io_ptr(png));
  try {
    output->bytes->insert(output->bytes->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    output->outOfMemory = true;
    png_error(png, "out of memory");
  }
}

void flushNothing(png_structp) {}
void quietWarning(png_structp, png_const_charp) {}
void errorExit(png_structp png, png_const_charp) { png_longjmp(png, 1); }

int paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// Line y filtered with PNG filter type `type` (0 none .. 4 Paeth), preceded
// by the type byte as in the file.
void filterLine(const Picture& picture, int y, int type, int bytesPerPixel, std::vector<std::uint8_t>& out) {
  const std::size_t lineBytes = static_cast<std::size_t>(picture.width()) * bytesPerPixel;
  const std::uint8_t* line = picture.line(y);
  const std::uint8_t* above = y > 0 ? picture.line(y - 1) : nullptr;
  out.push_back(static_cast<std::uint8_t>(type));
  for (std::size_t i = 0; i < lineBytes; ++i) {
    const int left = i >= static_cast<std::size_t>(bytesPerPixel) ? line[i - bytesPerPixel] : 0;
    const int up = above ? above[i] : 0;
    const int upLeft = above && i >= static_cast<std::size_t>(bytesPerPixel) ? above[i - bytesPerPixel] : 0;
    int predicted = 0;
    switch (type) {
      case 1: predicted = left; break;
      case 2: predicted = up; break;
      case 3: predicted = (left + up) / 2; break;
      case 4: predicted = paeth(left, up, upLeft); break;
      default: break;
    }
    out.push_back(static_cast<std::uint8_t>(line[i] - predicted));
  }
}

// The one filter for the whole picture: each candidate filters a few bands
// of lines spread over the picture, zlib compresses them quickly, and the
// smallest result wins. Which filter suits a picture depends on its content
// (noise, gradients, flat areas) in ways simpler measures miss.
int chooseFilter(const Picture& picture, int bytesPerPixel) {
  static constexpr int kFlags[5] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG,
                                    PNG_FILTER_PAETH};
  const int height = picture.height();
  const int bandLines = std::min(kBandLines, height);
  const int bands = std::min(kBands, std::max(1, height / bandLines));
  std::vector<std::uint8_t> filtered;
  std::vector<std::uint8_t> compressed;
  int best = PNG_FILTER_SUB;
  uLong bestSize = ~uLong{0};
  for (int type = 0; type < 5; ++type) {
    filtered.clear();
    for (int band = 0; band < bands; ++band) {
      const int first = bands == 1 ? 0 : band * (height - bandLines) / (bands - 1);
      for (int y = first; y < first + bandLines; ++y) filterLine(picture, y, type, bytesPerPixel, filtered);
    }
    uLongf size = compressBound(static_cast<uLong>(filtered.size()));
    compressed.resize(size);
    if (compress2(compressed.data(), &size, filtered.data(), static_cast<uLong>(filtered.size()), kTrialLevel) != Z_OK) {
      continue;
    }
    if (size < bestSize) {
      bestSize = size;
      best = kFlags[type];
    }
  }
  return best;
}

// What goes into the file: the picture's own lines, or palette indices.
struct Rows {
  const Picture* picture;
  const QuantisedPicture* palette;  // null unless written with a palette
  const std::uint8_t* line(int y) const {
    return palette ? palette->indices.data() + static_cast<std::size_t>(y) * picture->width()
                   : picture->line(y);
  }
};

// Kept free of C++ objects with destructors: libpng leaves it by longjmp.
Status encode(const Picture& picture, const QuantisedPicture* exact, Output* output) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, errorExit, quietWarning);
  if (png == nullptr) return kNoMemory;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return kNoMemory;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return output->outOfMemory ? kNoMemory : kEncoderFailed;
  }

  const Rows rows{&picture, exact};
  const bool colour = picture.colour() && exact == nullptr;
  const bool indexed = exact != nullptr || picture.indexed();
  png_set_write_fn(png, output, writeBytes, flushNothing);
  png_set_compression_level(png, kZlibLevel);
  // Palette indices are not numbers that filters can predict.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, indexed ? PNG_FILTER_NONE : chooseFilter(picture, colour ? 3 : 1));

  const int colourType = colour ? PNG_COLOR_TYPE_RGB : indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_GRAY;
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width()),
               static_cast<png_uint_32>(picture.height()), 8, colourType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  if (indexed) {
    const Palette& palette = exact != nullptr ? exact->palette : picture.palette();
    const int entries = exact != nullptr ? exact->colours : 256;
    png_color colours[256];
    for (int i = 0; i < entries; ++i) {
      colours[i] = png_color{palette[i].red, palette[i].green, palette[i].blue};
    }
    png_set_PLTE(png, info, colours, entries);
  }
  if (picture.xDpi > 0 && picture.yDpi > 0) {
    png_set_pHYs(png, info, static_cast<png_uint_32>(pelsPerMeterFromDotsPerInch(picture.xDpi)),
                 static_cast<png_uint_32>(pelsPerMeterFromDotsPerInch(picture.yDpi)),
                 PNG_RESOLUTION_METER);
  }
  png_write_info(png, info);
  if (colour && picture.storedBgr()) png_set_bgr(png);

  for (int y = 0; y < picture.height(); ++y) {
    png_write_row(png, const_cast<png_bytep>(rows.line(y)));
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return kSuccess;
}

}  // namespace

Status writePng(const Picture& picture, std::vector<std::uint8_t>& out) {
  QuantisedPicture exact;
  const bool fewColours = picture.colour() && exactPalette(picture, 256, exact);
  out.reserve(out.size() + static_cast<std::size_t>(picture.width()) * picture.height() * 2);
  Output output{&out};
  return encode(picture, fewColours ? &exact : nullptr, &output);
}

}  // namespace imaging::formats
