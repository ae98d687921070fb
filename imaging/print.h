#pragma once
// Operation "print": the bitmap printed as a one-page document, at a position
// and size in printer pixels.

#include <string>

#include "imaging/bitmap.h"
#include "platform/print/printer_device.h"

namespace imaging {

// The document carries this title in the printer queue.
inline constexpr const char* kPrintDocumentTitle = "RZ-410 picture";

Status print(platform::print::PrinterDevice& printer, const Bitmap& bitmap, int left, int top,
             int width, int height);

}  // namespace imaging
