#pragma once
// The real printers: Qt PrintSupport over CUPS.

#include <memory>
#include <string>

#include "platform/print/printer_device.h"

class QPrinter;

namespace platform::print {

class QtPrinterDevice : public PrinterDevice {
 public:
  // Takes the configured printer over.
  explicit QtPrinterDevice(std::unique_ptr<QPrinter> printer);
  ~QtPrinterDevice() override;

  int dotsPerInchX() const override;
  int dotsPerInchY() const override;
  bool beginDocument(const std::string& title) override;
  bool drawImage(const ImageView& image, const Rect& target) override;
  bool endDocument() override;
  void abortDocument() override;

 private:
  struct Painting;
  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<Painting> painting_;
};

// The system's default printer (QPrinterInfo::defaultPrinter), no dialog.
std::unique_ptr<PrinterService> makeSystemPrinterService();

// A printer that writes a PDF file at the given resolution: for previews and
// for proving the drawing path without a print server.
std::unique_ptr<PrinterDevice> makePdfPrinter(const std::string& path, int dotsPerInch);

}  // namespace platform::print
