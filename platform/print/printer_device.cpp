#include "platform/print/printer_device.h"

#include <cstdlib>

namespace platform::print {

int bytesPerPixel(PixelFormat format) { return format == PixelFormat::Grey8 ? 1 : 3; }

bool isReadable(const ImageView& image) {
  if (image.width <= 0 || image.height <= 0 || image.topRow == nullptr) return false;
  const std::int64_t lineBytes =
      static_cast<std::int64_t>(image.width) * bytesPerPixel(image.format);
  return std::llabs(static_cast<long long>(image.stride)) >= lineBytes;
}

}  // namespace platform::print
