// PNG through libpng: grey, palette or RGB at 8 bits, the resolution as pHYs.
//
// Compression is tuned for camera pictures: libpng's defaults (level 6, every
// filter tried on every line) cost about four times the time for a few
// percent of size. The Paeth filter on every line with a fast zlib level
// keeps files within a few percent of ImageMagick's output at a fraction of
// its time.

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <new>

#include "imaging/dib.h"
#include "imaging/formats/picture.h"

namespace imaging::formats {
namespace {

constexpr int kZlibLevel = 3;
constexpr int kFilters = PNG_FILTER_PAETH;

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

// Kept free of C++ objects with destructors: libpng leaves it by longjmp.
Status encode(const Picture& picture, Output* output) {
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, errorExit, quietWarning);
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

  png_set_write_fn(png, output, writeBytes, flushNothing);
  png_set_compression_level(png, kZlibLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, kFilters);

  const bool colour = picture.colour();
  const bool indexed = picture.indexed();
  const int colourType = colour ? PNG_COLOR_TYPE_RGB : indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_GRAY;
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width()),
               static_cast<png_uint_32>(picture.height()), 8, colourType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  if (indexed) {
    png_color entries[256];
    for (int i = 0; i < 256; ++i) {
      entries[i] = png_color{picture.palette()[i].red, picture.palette()[i].green,
                             picture.palette()[i].blue};
    }
    png_set_PLTE(png, info, entries, 256);
  }
  if (picture.xDpi > 0 && picture.yDpi > 0) {
    png_set_pHYs(png, info, static_cast<png_uint_32>(pelsPerMeterFromDotsPerInch(picture.xDpi)),
                 static_cast<png_uint_32>(pelsPerMeterFromDotsPerInch(picture.yDpi)),
                 PNG_RESOLUTION_METER);
  }
  png_write_info(png, info);
  if (colour && picture.storedBgr()) png_set_bgr(png);

  for (int y = 0; y < picture.height(); ++y) {
    png_write_row(png, const_cast<png_bytep>(picture.line(y)));
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return kSuccess;
}

}  // namespace

Status writePng(const Picture& picture, std::vector<std::uint8_t>& out) {
  Output output{&out};
  return encode(picture, &output);
}

}  // namespace imaging::formats
