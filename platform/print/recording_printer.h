#pragma once
// A printer that prints nothing and remembers everything: what tests give the
// code under test instead of the system's printer.

#include <memory>
#include <string>
#include <vector>

#include "platform/print/printer_device.h"

namespace platform::print {

struct RecordedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // top line first, 3 bytes per pixel
  Rect target;
};

// Shared by a service and the devices it opened, so a test can read what was
// printed after the code under test released the printer.
struct PrintJournal {
  std::vector<std::string> calls;  // "open", "begin", "draw", "end", "abort", "release"
  std::vector<std::string> titles;
  std::vector<RecordedImage> images;
  int documentsEnded = 0;
};

class RecordingPrinter : public PrinterDevice {
 public:
  RecordingPrinter(int dotsPerInchX, int dotsPerInchY,
                   std::shared_ptr<PrintJournal> journal = std::make_shared<PrintJournal>());
  ~RecordingPrinter() override;

  // Makes the next calls of that kind fail, as a printer that is out of paper.
  void setFailBegin(bool fail) { failBegin_ = fail; }
  void setFailDraw(bool fail) { failDraw_ = fail; }

  const PrintJournal& journal() const { return *journal_; }

  int dotsPerInchX() const override { return dpiX_; }
  int dotsPerInchY() const override { return dpiY_; }
  bool beginDocument(const std::string& title) override;
  bool drawImage(const ImageView& image, const Rect& target) override;
  bool endDocument() override;
  void abortDocument() override;

 private:
  int dpiX_;
  int dpiY_;
  std::shared_ptr<PrintJournal> journal_;
  bool inDocument_ = false;
  bool failBegin_ = false;
  bool failDraw_ = false;
};

class RecordingPrinterService : public PrinterService {
 public:
  // hasPrinter false: the machine has no default printer.
  RecordingPrinterService(bool hasPrinter, int dotsPerInchX, int dotsPerInchY);

  const PrintJournal& journal() const { return *journal_; }
  std::unique_ptr<PrinterDevice> openDefaultPrinter() override;

 private:
  bool hasPrinter_;
  int dpiX_;
  int dpiY_;
  std::shared_ptr<PrintJournal> journal_;
};

}  // namespace platform::print
