#include "imaging/print.h"

#include <gtest/gtest.h>

#include "imaging/tests/test_support.h"
#include "platform/print/recording_printer.h"

namespace imaging {
namespace {

using platform::print::RecordingPrinter;

TEST(Print, ColourPictureIsPrintedUprightWithItsColoursAtTheGivenPlace) {
  const Bitmap scene = testing::makeScene(320, 240, 24);  // stored bottom-up, BGR
  RecordingPrinter printer(300, 300);
  ASSERT_EQ(print(printer, scene, 10, 10, 1333, 1000), kSuccess);
  EXPECT_EQ(printer.journal().calls, (std::vector<std::string>{"begin", "draw", "end"}));
  EXPECT_EQ(printer.journal().documentsEnded, 1);
  ASSERT_EQ(printer.journal().images.size(), 1u);
  const auto& image = printer.journal().images[0];
  EXPECT_EQ(image.target.left, 10);
  EXPECT_EQ(image.target.top, 10);
  EXPECT_EQ(image.target.width, 1333);
  EXPECT_EQ(image.target.height, 1000);
  ASSERT_EQ(image.width, 320);
  ASSERT_EQ(image.height, 240);
  for (int y : {0, 100, 239}) {
    for (int x : {0, 97, 319}) {
      const std::uint8_t* bgr = scene.line(y) + 3 * x;
      const std::uint8_t* rgb = image.rgb.data() + (static_cast<std::size_t>(y) * 320 + x) * 3;
      EXPECT_EQ(rgb[0], bgr[2]);
      EXPECT_EQ(rgb[1], bgr[1]);
      EXPECT_EQ(rgb[2], bgr[0]);
    }
  }
}

TEST(Print, GreyAndPalettePictures) {
  const Bitmap grey = testing::makeScene(16, 8, 8);
  RecordingPrinter printer(600, 600);
  ASSERT_EQ(print(printer, grey, 0, 0, 160, 80), kSuccess);
  EXPECT_EQ(printer.journal().images[0].rgb[0], grey.line(0)[0]);

  Bitmap indexed;
  ASSERT_EQ(allocate(indexed, 2, 1, 8), kSuccess);
  Palette palette{};
  palette[5] = PaletteEntry{250, 10, 20};
  indexed.setPalette(palette);
  indexed.line(0)[1] = 5;
  ASSERT_EQ(print(printer, indexed, 0, 0, 20, 10), kSuccess);
  const auto& rgb = printer.journal().images[1].rgb;
  EXPECT_EQ(std::vector<std::uint8_t>(rgb.begin() + 3, rgb.end()), (std::vector<std::uint8_t>{250, 10, 20}));
}

TEST(Print, PrinterFailuresEndTheDocumentAndAreReported) {
  const Bitmap scene = testing::makeScene(8, 8, 24);
  RecordingPrinter refusing(300, 300);
  refusing.setFailBegin(true);
  EXPECT_EQ(print(refusing, scene, 10, 10, 80, 80), kPrintFailed);
  EXPECT_TRUE(refusing.journal().images.empty());

  RecordingPrinter jammed(300, 300);
  jammed.setFailDraw(true);
  EXPECT_EQ(print(jammed, scene, 10, 10, 80, 80), kPrintFailed);
  EXPECT_EQ(jammed.journal().calls.back(), "abort");
  EXPECT_EQ(jammed.journal().documentsEnded, 0);

  RecordingPrinter printer(300, 300);
  EXPECT_EQ(print(printer, Bitmap{}, 10, 10, 80, 80), kNoBitmap);
  EXPECT_EQ(print(printer, scene, 10, 10, 0, 80), kInvalidArgument);
  EXPECT_TRUE(printer.journal().calls.empty()) << "nothing was started";
}

}  // namespace
}  // namespace imaging
