#include <QGuiApplication>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/print/qt_printer.h"
#include "platform/print/recording_printer.h"

namespace platform::print {
namespace {

// 3 x 2 picture stored bottom-up in blue-green-red, lines padded to 12 bytes.
struct BottomUpPicture {
  std::vector<std::uint8_t> bytes = {
      // bottom line: white, black, blue
      255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 0, 0,
      // top line: red, green, grey
      0, 0, 255, 0, 255, 0, 128, 128, 128, 0, 0, 0};
  ImageView view() const {
    return ImageView{3, 2, PixelFormat::Bgr24, bytes.data() + 12, -12};
  }
};

TEST(RecordingPrinter, RecordsTheDocumentAndThePictureUpright) {
  RecordingPrinterService service(true, 300, 600);
  {
    auto printer = service.openDefaultPrinter();
    ASSERT_NE(printer, nullptr);
    EXPECT_EQ(printer->dotsPerInchX(), 300);
    EXPECT_EQ(printer->dotsPerInchY(), 600);
    BottomUpPicture picture;
    ASSERT_TRUE(printer->beginDocument("photo"));
    ASSERT_TRUE(printer->drawImage(picture.view(), Rect{10, 10, 1333, 1000}));
    ASSERT_TRUE(printer->endDocument());
  }
  const PrintJournal& journal = service.journal();
  EXPECT_EQ(journal.calls,
            (std::vector<std::string>{"open", "begin", "draw", "end", "release"}));
  EXPECT_EQ(journal.documentsEnded, 1);
  ASSERT_EQ(journal.images.size(), 1u);
  const RecordedImage& image = journal.images[0];
  EXPECT_EQ(image.target.left, 10);
  EXPECT_EQ(image.target.width, 1333);
  EXPECT_EQ(image.target.height, 1000);
  EXPECT_EQ(image.rgb, (std::vector<std::uint8_t>{255, 0, 0, 0, 255, 0, 128, 128, 128,  //
                                                  255, 255, 255, 0, 0, 0, 0, 0, 255}));
}

TEST(RecordingPrinter, NoPrinterAndRefusedCalls) {
  RecordingPrinterService none(false, 300, 300);
  EXPECT_EQ(none.openDefaultPrinter(), nullptr);
  EXPECT_TRUE(none.journal().calls.empty());

  RecordingPrinter printer(300, 300);
  BottomUpPicture picture;
  EXPECT_FALSE(printer.drawImage(picture.view(), Rect{0, 0, 3, 2})) << "no document begun";
  EXPECT_FALSE(printer.endDocument());
  ASSERT_TRUE(printer.beginDocument("x"));
  EXPECT_FALSE(printer.beginDocument("y")) << "one document at a time";
  ImageView broken = picture.view();
  broken.stride = 2;  // shorter than a line
  EXPECT_FALSE(printer.drawImage(broken, Rect{0, 0, 3, 2}));
  printer.setFailDraw(true);
  EXPECT_FALSE(printer.drawImage(picture.view(), Rect{0, 0, 3, 2}));
  printer.abortDocument();
  EXPECT_EQ(printer.journal().documentsEnded, 0);
}

TEST(QtPrinter, PdfPrinterWritesTheDrawnPicture) {
  const std::string path = ::testing::TempDir() + "print_test.pdf";
  std::remove(path.c_str());
  {
    auto printer = makePdfPrinter(path, 300);
    EXPECT_EQ(printer->dotsPerInchX(), 300);
    EXPECT_EQ(printer->dotsPerInchY(), 300);
    BottomUpPicture picture;
    EXPECT_FALSE(printer->drawImage(picture.view(), Rect{0, 0, 30, 20})) << "not begun";
    ASSERT_TRUE(printer->beginDocument("test page"));
    EXPECT_FALSE(printer->drawImage(picture.view(), Rect{0, 0, 0, 20})) << "empty target";
    ASSERT_TRUE(printer->drawImage(picture.view(), Rect{10, 10, 300, 200}));
    ASSERT_TRUE(printer->endDocument());
  }
  std::ifstream file(path, std::ios::binary);
  ASSERT_TRUE(file.good());
  const std::string content((std::istreambuf_iterator<char>(file)), {});
  EXPECT_EQ(content.rfind("%PDF", 0), 0u);
  EXPECT_NE(content.find("/Image"), std::string::npos) << "the picture is in the document";
  std::remove(path.c_str());
}

TEST(QtPrinter, AbortedDocumentAndDestructionMidDocumentAreSafe) {
  const std::string path = ::testing::TempDir() + "print_abort.pdf";
  auto printer = makePdfPrinter(path, 150);
  ASSERT_TRUE(printer->beginDocument("dropped"));
  printer->abortDocument();
  EXPECT_FALSE(printer->endDocument());
  ASSERT_TRUE(printer->beginDocument("left open"));
  printer.reset();  // releasing the printer ends nothing and leaks nothing
  std::remove(path.c_str());
}

}  // namespace
}  // namespace platform::print

int main(int argc, char** argv) {
  // Test discovery runs the program without the test environment: stay headless.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
