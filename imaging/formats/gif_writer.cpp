// GIF89a through giflib: grey and palette pictures keep their 256 entries;
// colour pictures are reduced to 256 colours first (colour_quantiser.h).

#include <gif_lib.h>

#include <new>

#include "imaging/formats/colour_quantiser.h"
#include "imaging/formats/picture.h"

namespace imaging::formats {
namespace {

constexpr int kColourResolution = 8;
constexpr int kBackgroundIndex = 0;

struct Output {
  std::vector<std::uint8_t>* bytes;
  bool outOfMemory = false;
};

int writeBytes(GifFileType* gif, const GifByteType* data, int length) {
  auto* output = static_cast<Output*>(gif->UserData);
  try {
    output->bytes->insert(output->bytes->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    output->outOfMemory = true;
    return 0;
  }
  return length;
}

}  // namespace

Status writeGif(const Picture& picture, std::vector<std::uint8_t>& out) {
  const int width = picture.width();
  const int height = picture.height();
  if (width > 0xFFFF || height > 0xFFFF) return kTooLarge;

  QuantisedPicture quantised;
  Palette palette;
  if (picture.colour()) {
    try {
      quantised = quantise(picture);
    } catch (const std::bad_alloc&) {
      return kNoMemory;
    }
    palette = quantised.palette;
  } else {
    palette = picture.palette();
  }

  GifColorType colours[256];
  for (int i = 0; i < 256; ++i) {
    colours[i] = GifColorType{palette[i].red, palette[i].green, palette[i].blue};
  }
  ColorMapObject* map = GifMakeMapObject(256, colours);
  if (map == nullptr) return kNoMemory;

  const std::size_t start = out.size();
  Output output{&out};
  int error = 0;
  GifFileType* gif = EGifOpen(&output, writeBytes, &error);
  if (gif == nullptr) {
    GifFreeMapObject(map);
    return kNoMemory;
  }
  EGifSetGifVersion(gif, true);
  bool ok = EGifPutScreenDesc(gif, width, height, kColourResolution, kBackgroundIndex, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < height; ++y) {
    const std::uint8_t* line = picture.colour()
                                   ? quantised.indices.data() + static_cast<std::size_t>(y) * width
                                   : picture.line(y);
    ok = EGifPutLine(gif, const_cast<GifPixelType*>(line), width) == GIF_OK;
  }
  if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
  GifFreeMapObject(map);
  if (!ok) {
    out.resize(start);
    return output.outOfMemory ? kNoMemory : kEncoderFailed;
  }
  return kSuccess;
}

}  // namespace imaging::formats
