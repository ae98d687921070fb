#include "imaging/print.h"

#include <new>
#include <vector>

namespace imaging {

using platform::print::ImageView;
using platform::print::PixelFormat;
using platform::print::Rect;

Status print(platform::print::PrinterDevice& printer, const Bitmap& bitmap, int left, int top,
             int width, int height) {
  if (!bitmap.allocated()) return kNoBitmap;
  if (width <= 0 || height <= 0) return kInvalidArgument;

  ImageView view;
  view.width = bitmap.width();
  view.height = bitmap.height();
  std::vector<std::uint8_t> expanded;
  if (bitmap.bitsPerPixel() == 8 && !bitmap.hasGreyPalette()) {
    // Printers take grey or colour: palette pictures go as colour.
    try {
      expanded.resize(static_cast<std::size_t>(bitmap.width()) * bitmap.height() * 3);
    } catch (const std::bad_alloc&) {
      return kNoMemory;
    }
    for (int y = 0; y < bitmap.height(); ++y) {
      const std::uint8_t* in = bitmap.line(y);
      std::uint8_t* out = expanded.data() + static_cast<std::size_t>(y) * bitmap.width() * 3;
      for (int x = 0; x < bitmap.width(); ++x) {
        const PaletteEntry& e = bitmap.palette()[in[x]];
        out[3 * x] = e.red;
        out[3 * x + 1] = e.green;
        out[3 * x + 2] = e.blue;
      }
    }
    view.format = PixelFormat::Rgb24;
    view.topRow = expanded.data();
    view.stride = static_cast<std::ptrdiff_t>(bitmap.width()) * 3;
  } else {
    view.format = bitmap.bitsPerPixel() == 8 ? PixelFormat::Grey8
                  : bitmap.colourOrder() == ColourOrder::Bgr ? PixelFormat::Bgr24
                                                             : PixelFormat::Rgb24;
    view.topRow = bitmap.line(0);
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(bitmap.bytesPerLine());
    view.stride = bitmap.rowOrder() == RowOrder::TopDown ? stride : -stride;
  }

  if (!printer.beginDocument(kPrintDocumentTitle)) return kPrintFailed;
  if (!printer.drawImage(view, Rect{left, top, width, height})) {
    printer.abortDocument();
    return kPrintFailed;
  }
  return printer.endDocument() ? kSuccess : kPrintFailed;
}

}  // namespace imaging
