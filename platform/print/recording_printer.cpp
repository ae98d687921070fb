#include "platform/print/recording_printer.h"

namespace platform::print {

RecordingPrinter::RecordingPrinter(int dotsPerInchX, int dotsPerInchY,
                                   std::shared_ptr<PrintJournal> journal)
    : dpiX_(dotsPerInchX), dpiY_(dotsPerInchY), journal_(std::move(journal)) {}

RecordingPrinter::~RecordingPrinter() { journal_->calls.push_back("release"); }

bool RecordingPrinter::beginDocument(const std::string& title) {
  journal_->calls.push_back("begin");
  if (failBegin_ || inDocument_) return false;
  journal_->titles.push_back(title);
  inDocument_ = true;
  return true;
}

bool RecordingPrinter::drawImage(const ImageView& image, const Rect& target) {
  journal_->calls.push_back("draw");
  if (failDraw_ || !inDocument_ || !isReadable(image)) return false;
  RecordedImage recorded;
  recorded.width = image.width;
  recorded.height = image.height;
  recorded.target = target;
  recorded.rgb.reserve(static_cast<std::size_t>(image.width) * image.height * 3);
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* line = image.topRow + static_cast<std::ptrdiff_t>(y) * image.stride;
    for (int x = 0; x < image.width; ++x) {
      switch (image.format) {
        case PixelFormat::Grey8:
          recorded.rgb.insert(recorded.rgb.end(), {line[x], line[x], line[x]});
          break;
        case PixelFormat::Bgr24:
          recorded.rgb.insert(recorded.rgb.end(),
                              {line[3 * x + 2], line[3 * x + 1], line[3 * x]});
          break;
        case PixelFormat::Rgb24:
          recorded.rgb.insert(recorded.rgb.end(),
                              {line[3 * x], line[3 * x + 1], line[3 * x + 2]});
          break;
      }
    }
  }
  journal_->images.push_back(std::move(recorded));
  return true;
}

bool RecordingPrinter::endDocument() {
  journal_->calls.push_back("end");
  if (!inDocument_) return false;
  inDocument_ = false;
  ++journal_->documentsEnded;
  return true;
}

void RecordingPrinter::abortDocument() {
  journal_->calls.push_back("abort");
  inDocument_ = false;
}

RecordingPrinterService::RecordingPrinterService(bool hasPrinter, int dotsPerInchX,
                                                 int dotsPerInchY)
    : hasPrinter_(hasPrinter),
      dpiX_(dotsPerInchX),
      dpiY_(dotsPerInchY),
      journal_(std::make_shared<PrintJournal>()) {}

std::unique_ptr<PrinterDevice> RecordingPrinterService::openDefaultPrinter() {
  if (!hasPrinter_) return nullptr;
  journal_->calls.push_back("open");
  return std::make_unique<RecordingPrinter>(dpiX_, dpiY_, journal_);
}

}  // namespace platform::print
