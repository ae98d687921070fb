#include "platform/print/qt_printer.h"

#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QString>

namespace platform::print {

struct QtPrinterDevice::Painting {
  QPainter painter;
};

namespace {

// Copies the caller's pixels into an image Qt can draw (top line first).
QImage toQImage(const ImageView& view) {
  const QImage::Format format =
      view.format == PixelFormat::Grey8   ? QImage::Format_Grayscale8
      : view.format == PixelFormat::Bgr24 ? QImage::Format_BGR888
                                          : QImage::Format_RGB888;
  QImage image(view.width, view.height, format);
  if (image.isNull()) return image;
  const qsizetype lineBytes = static_cast<qsizetype>(view.width) * bytesPerPixel(view.format);
  for (int y = 0; y < view.height; ++y) {
    const std::uint8_t* line = view.topRow + static_cast<std::ptrdiff_t>(y) * view.stride;
    std::copy(line, line + lineBytes, image.scanLine(y));
  }
  return image;
}

class SystemPrinterService : public PrinterService {
 public:
  std::unique_ptr<PrinterDevice> openDefaultPrinter() override {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return nullptr;
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!printer->isValid()) return nullptr;
    return std::make_unique<QtPrinterDevice>(std::move(printer));
  }
};

}  // namespace

QtPrinterDevice::QtPrinterDevice(std::unique_ptr<QPrinter> printer)
    : printer_(std::move(printer)) {}

QtPrinterDevice::~QtPrinterDevice() {
  if (painting_) abortDocument();
}

int QtPrinterDevice::dotsPerInchX() const { return printer_->logicalDpiX(); }
int QtPrinterDevice::dotsPerInchY() const { return printer_->logicalDpiY(); }

bool QtPrinterDevice::beginDocument(const std::string& title) {
  if (painting_) return false;
  printer_->setDocName(QString::fromStdString(title));
  auto painting = std::make_unique<Painting>();
  if (!painting->painter.begin(printer_.get())) return false;
  painting_ = std::move(painting);
  return true;
}

bool QtPrinterDevice::drawImage(const ImageView& image, const Rect& target) {
  if (!painting_ || !isReadable(image) || target.width <= 0 || target.height <= 0) {
    return false;
  }
  const QImage picture = toQImage(image);
  if (picture.isNull()) return false;
  painting_->painter.drawImage(QRect(target.left, target.top, target.width, target.height),
                               picture);
  return true;
}

bool QtPrinterDevice::endDocument() {
  if (!painting_) return false;
  const bool ended = painting_->painter.end();
  painting_.reset();
  return ended;
}

void QtPrinterDevice::abortDocument() {
  if (!painting_) return;
  printer_->abort();
  painting_->painter.end();
  painting_.reset();
}

std::unique_ptr<PrinterService> makeSystemPrinterService() {
  return std::make_unique<SystemPrinterService>();
}

std::unique_ptr<PrinterDevice> makePdfPrinter(const std::string& path, int dotsPerInch) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setOutputFormat(QPrinter::PdfFormat);
  printer->setOutputFileName(QString::fromStdString(path));
  printer->setResolution(dotsPerInch);
  return std::make_unique<QtPrinterDevice>(std::move(printer));
}

}  // namespace platform::print
