// TIFF through libtiff: uncompressed strips (a camera picture gains little
// from LZW and it would cost several times the time), grey as MinIsBlack,
// colour as contiguous RGB, the resolution in pixels per inch.

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <new>

#include "imaging/formats/picture.h"

namespace imaging::formats {
namespace {

constexpr std::size_t kStripBytes = 64 * 1024;

// A growing file image in memory that libtiff reads, writes and seeks.
struct MemoryFile {
  std::vector<std::uint8_t>* bytes;
  std::size_t start;     // where the TIFF begins in `bytes`
  std::uint64_t position;  // relative to start
  bool outOfMemory;
  bool failed;
};

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t size) {
  auto* f = static_cast<MemoryFile*>(handle);
  const std::uint64_t length = f->bytes->size() - f->start;
  if (size < 0 || f->position >= length) return 0;
  const std::uint64_t n = std::min<std::uint64_t>(static_cast<std::uint64_t>(size), length - f->position);
  std::memcpy(buffer, f->bytes->data() + f->start + f->position, n);
  f->position += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t writeProc(thandle_t handle, void* buffer, tmsize_t size) {
  auto* f = static_cast<MemoryFile*>(handle);
  if (size < 0) return -1;
  const std::uint64_t end = f->position + static_cast<std::uint64_t>(size);
  try {
    if (f->start + end > f->bytes->size()) f->bytes->resize(f->start + end);
  } catch (const std::bad_alloc&) {
    f->outOfMemory = true;
    return -1;
  }
  std::memcpy(f->bytes->data() + f->start + f->position, buffer, static_cast<std::size_t>(size));
  f->position = end;
  return size;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
  auto* f = static_cast<MemoryFile*>(handle);
  const std::uint64_t length = f->bytes->size() - f->start;
  std::uint64_t base = whence == SEEK_CUR ? f->position : whence == SEEK_END ? length : 0;
  f->position = base + offset;
  return f->position;
}

int closeProc(thandle_t) { return 0; }
toff_t sizeProc(thandle_t handle) {
  auto* f = static_cast<MemoryFile*>(handle);
  return f->bytes->size() - f->start;
}
int mapProc(thandle_t, void**, toff_t*) { return 0; }
void unmapProc(thandle_t, void*, toff_t) {}

int errorHandler(TIFF*, void* user, const char*, const char*, va_list) {
  static_cast<MemoryFile*>(user)->failed = true;
  return 1;
}
int warningHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // namespace

Status writeTiff(const Picture& picture, std::vector<std::uint8_t>& out) {
  MemoryFile file{&out, out.size(), 0, false, false};
  const std::size_t lineBytes = static_cast<std::size_t>(picture.width()) * (picture.colour() ? 3 : 1);
  out.reserve(out.size() + lineBytes * picture.height() + 4096);  // one allocation for the file
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return kNoMemory;
  TIFFOpenOptionsSetErrorHandlerExtR(options, errorHandler, &file);
  TIFFOpenOptionsSetWarningHandlerExtR(options, warningHandler, &file);
  TIFF* tif = TIFFClientOpenExt("picture", "wl", &file, readProc, writeProc, seekProc, closeProc,
                                sizeProc, mapProc, unmapProc, options);
  TIFFOpenOptionsFree(options);
  if (tif == nullptr) return file.outOfMemory ? kNoMemory : kEncoderFailed;

  const bool colour = picture.colour();
  const auto rowsPerStrip = static_cast<std::uint32_t>(std::max<std::size_t>(1, kStripBytes / lineBytes));
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(picture.width()));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(picture.height()));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, colour ? 3 : 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, colour ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
  if (picture.xDpi > 0 && picture.yDpi > 0) {
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(picture.xDpi));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(picture.yDpi));
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  }

  Status status = kSuccess;
  try {
    std::vector<std::uint8_t> line(lineBytes);
    for (int y = 0; y < picture.height() && status == kSuccess; ++y) {
      if (colour) {
        picture.lineRgb(y, line.data());
      } else {
        std::memcpy(line.data(), picture.line(y), lineBytes);
      }
      if (TIFFWriteScanline(tif, line.data(), static_cast<std::uint32_t>(y), 0) != 1) {
        status = file.outOfMemory ? kNoMemory : kEncoderFailed;
      }
    }
  } catch (const std::bad_alloc&) {
    status = kNoMemory;
  }
  if (status == kSuccess && TIFFFlush(tif) != 1) status = file.outOfMemory ? kNoMemory : kEncoderFailed;
  TIFFClose(tif);
  if (status == kSuccess && file.failed) status = kEncoderFailed;
  if (status != kSuccess) out.resize(file.start);
  return status;
}

}  // namespace imaging::formats
