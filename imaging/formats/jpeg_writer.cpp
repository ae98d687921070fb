// JPEG (JFIF) through libjpeg-turbo: grey pictures stay one-channel; colour
// pictures are read in their stored byte order, without a copy, and keep
// their colour at full resolution (4:4:4). Halving it (4:2:0) saves a fifth
// of the file but smears the hard colour edges of small camera pictures
// (about 6 dB less on a 160 x 120 scene at the scanner module's quality).

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include <new>

#include "imaging/formats/picture.h"

namespace imaging::formats {
namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr UINT8 kDensityDotsPerInch = 1;

struct Destination {
  jpeg_destination_mgr manager;
  std::vector<std::uint8_t>* bytes;
  std::size_t start;  // where this JPEG begins in `bytes`
  bool outOfMemory;
};

struct ErrorManager {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void errorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}
void quietMessage(j_common_ptr) {}

bool grow(Destination* d) {
  try {
    const std::size_t used = d->bytes->size();
    d->bytes->resize(used + kChunk);
    d->manager.next_output_byte = d->bytes->data() + used;
    d->manager.free_in_buffer = kChunk;
    return true;
  } catch (const std::bad_alloc&) {
    d->outOfMemory = true;
    return false;
  }
}

void initDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  if (!grow(d)) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  // The whole chunk is full; libjpeg wants a fresh one.
  if (!grow(d)) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<Destination*>(cinfo->dest);
  d->bytes->resize(d->bytes->size() - d->manager.free_in_buffer);
}

// Kept free of C++ objects with destructors: libjpeg leaves it by longjmp.
Status encode(const Picture& picture, int quality, Destination* destination) {
  jpeg_compress_struct cinfo;
  ErrorManager error;
  cinfo.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = errorExit;
  error.manager.output_message = quietMessage;
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&cinfo);
    destination->bytes->resize(destination->start);
    return destination->outOfMemory ? kNoMemory : kEncoderFailed;
  }
  jpeg_create_compress(&cinfo);
  destination->manager.init_destination = initDestination;
  destination->manager.empty_output_buffer = emptyOutputBuffer;
  destination->manager.term_destination = termDestination;
  cinfo.dest = &destination->manager;

  const bool colour = picture.colour();
  cinfo.image_width = static_cast<JDIMENSION>(picture.width());
  cinfo.image_height = static_cast<JDIMENSION>(picture.height());
  cinfo.input_components = colour ? 3 : 1;
  cinfo.in_color_space = !colour ? JCS_GRAYSCALE : picture.storedBgr() ? JCS_EXT_BGR : JCS_EXT_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (colour) {
    cinfo.comp_info[0].h_samp_factor = 1;
    cinfo.comp_info[0].v_samp_factor = 1;
  }
  if (picture.xDpi > 0 && picture.yDpi > 0 && picture.xDpi <= 0xFFFF && picture.yDpi <= 0xFFFF) {
    cinfo.density_unit = kDensityDotsPerInch;
    cinfo.X_density = static_cast<UINT16>(picture.xDpi);
    cinfo.Y_density = static_cast<UINT16>(picture.yDpi);
  }

  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(picture.line(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return kSuccess;
}

}  // namespace

Status writeJpeg(const Picture& picture, int quality, std::vector<std::uint8_t>& out) {
  if (picture.width() > JPEG_MAX_DIMENSION || picture.height() > JPEG_MAX_DIMENSION) return kTooLarge;
  Destination destination{};
  destination.bytes = &out;
  destination.start = out.size();
  return encode(picture, quality, &destination);
}

}  // namespace imaging::formats
