#pragma once
// A printer as the system's code sees it: a device with a resolution on which
// one document is started, pictures are drawn at positions and sizes in
// device pixels, and the document is ended (which sends the job).
//
// No Qt here: the imaging library and the capture code draw on any
// PrinterDevice; the program hands them the real one (qt_printer.h) and tests
// a RecordingPrinter (recording_printer.h).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform::print {

enum class PixelFormat {
  Grey8,  // one byte per pixel, 0 black .. 255 white
  Bgr24,  // blue, green, red
  Rgb24,  // red, green, blue
};

// Pixels the caller keeps alive while drawImage runs.
struct ImageView {
  int width = 0;
  int height = 0;
  PixelFormat format = PixelFormat::Bgr24;
  const std::uint8_t* topRow = nullptr;  // first byte of the picture's top line
  std::ptrdiff_t stride = 0;             // from one line to the one below; negative
                                         // when the storage runs bottom-up
};

// In device pixels, from the top-left corner of the printable area.
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

int bytesPerPixel(PixelFormat format);

// Whether a view describes pixels that can be read (sizes positive, pointer
// set, lines long enough for the width).
bool isReadable(const ImageView& image);

class PrinterDevice {
 public:
  virtual ~PrinterDevice() = default;

  // The device's pixels per inch across and down.
  virtual int dotsPerInchX() const = 0;
  virtual int dotsPerInchY() const = 0;

  // Starts a one-page document; false when the job cannot be started.
  virtual bool beginDocument(const std::string& title) = 0;
  // Draws the picture scaled into the target rectangle of the current page.
  virtual bool drawImage(const ImageView& image, const Rect& target) = 0;
  // Ends the page and the document: the job goes to the printer.
  virtual bool endDocument() = 0;
  // Drops a started document; nothing is printed.
  virtual void abortDocument() = 0;
};

class PrinterService {
 public:
  virtual ~PrinterService() = default;
  // The system's default printer, without asking the user; null when there is
  // none. Destroying the device releases the printer.
  virtual std::unique_ptr<PrinterDevice> openDefaultPrinter() = 0;
};

}  // namespace platform::print
