// Every bitmap, cursor and icon the program and the scanner module ask for
// by name is compiled in at the size (and depth) they expect.

#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <string>
#include <vector>

#include "camera/resources/skin_resources.h"
#include "camera/resources/testing/missing_skin_resources.h"
#include "platform/ui/testing/test_application.h"

namespace lumoset {
namespace {

struct Art {
  std::string name;
  int width, height;
};

// The main window's bitmaps: all 8-bit.
const std::vector<Art> kEightBitSkin = {
    {"MAIN_CNTR", 442, 455},   {"MAIN_LEFT", 84, 455},    {"MAIN_RIGHT", 84, 455},
    {"SET_CLOS_LF", 190, 89},  {"SET_CLOS_RT", 243, 72},  {"SET_OPEN_LF", 190, 89},
    {"SET_OPEN_RT", 243, 72},  {"ZOOM_NRL", 26, 25},      {"ZOOM_OUT", 26, 25},
    {"VIEW_LARG", 27, 22},     {"VIEW_SMAL", 27, 22},     {"COLOR_MODE", 25, 20},
    {"GRAY_MODE", 25, 20},     {"VDO_LITEUP", 5, 9},      {"VDO_LITEOFF", 5, 9},
    {"PHO_LITEUP", 5, 9},      {"PHO_LITEOFF", 5, 9},     {"SET_LITEUP", 3, 4},
    {"SET_LITEOFF", 3, 4},     {"REC_CONU", 40, 17},      {"REC_LAPS", 40, 17},
    {"REC_MANU", 40, 17},      {"SOUND_TEL", 31, 18},     {"SOUND_RAD", 31, 18},
    {"SOUND_NO", 31, 18},      {"CAP_SINGLE", 23, 16},    {"CAP_AUTO", 23, 16},
    {"SIZE_S", 42, 9},         {"SIZE_M", 42, 9},         {"SIZE_L", 42, 9},
    {"SIZE_XL", 42, 9},        {"SIZE_XXL", 42, 9},
};

// Button bitmaps: the names with their suffixes, at the size of the button's
// place in the window (the open-video-album switch is one pixel narrower).
struct Key {
  std::string base;
  std::string suffixes;
  int width, height;
};
const std::vector<Key> kKeys = {
    {"VDO_SWIN", "UDX", 22, 25},  {"VDO_SWOUT", "UD", 23, 25}, {"VDOBOX_UP", "UDX", 20, 16},
    {"VDOBOX_DN", "UDX", 20, 16}, {"PHO_SWIN", "UDX", 22, 25}, {"PHO_SWOUT", "UD", 24, 25},
    {"PHOBOX_UP", "UDX", 21, 17}, {"PHOBOX_DN", "UDX", 21, 16}, {"ZOOM", "UD", 18, 18},
    {"VIEW", "UD", 19, 20},       {"COLOR", "UD", 18, 17},     {"CLOSE", "UD", 73, 27},
    {"STOP", "UDX", 54, 29},      {"REC", "UDX", 63, 41},      {"CAP", "UDX", 55, 54},
    {"PRNT", "UDX", 45, 51},      {"HELP", "UD", 37, 16},      {"QUALITY", "UD", 37, 14},
    {"SPEED", "UD", 37, 14},      {"RESET", "UD", 23, 17},     {"SETUP", "UD", 37, 20},
};

const std::vector<Art> kOtherBitmaps = {
    {"REC_LITE_YEL", 4, 4},   {"REC_LITE_RED1", 4, 4},  {"REC_LITE_NOR", 4, 4},
    {"REC_LITE_GRN", 4, 4},   {"HUE_GRV", 71, 13},      {"SAT_GRV", 71, 13},
    {"BRT_GRV", 71, 13},      {"CNT_GRV", 71, 13},      {"PAGE_SIZE_1", 40, 11},
    {"PAGE_SIZE_2", 40, 11},  {"PAGE_SIZE_3", 40, 11},  {"PAGE_SIZE_4", 40, 11},
    {"PAGE_SIZE_5", 40, 11},  {"PAGE_VDO_CON", 40, 17}, {"PAGE_VDO_LAPS", 40, 17},
    {"PAGE_VDO_MANU", 40, 17}, {"PAGE_SND_NO", 31, 19}, {"PAGE_SND_RAD", 31, 19},
    {"PAGE_SND_TEL", 31, 19}, {"PAGE_PHO_AUT", 25, 19}, {"PAGE_PHO_SNG", 25, 19},
};

// The scanner module's numbered bitmaps.
const std::vector<Art> kModuleBitmaps = {
    {"149", 442, 455}, {"160", 26, 25}, {"161", 26, 25}, {"171", 27, 22}, {"172", 27, 22},
    {"174", 25, 20},   {"175", 25, 20}, {"180", 192, 89}, {"181", 243, 72}, {"182", 192, 89},
    {"183", 243, 72},  {"198", 3, 4},   {"199", 3, 4},   {"164", 18, 18}, {"165", 18, 18},
    {"162", 19, 20},   {"163", 19, 20}, {"166", 18, 17}, {"167", 18, 17}, {"176", 85, 39},
    {"186", 85, 39},   {"177", 65, 57}, {"187", 65, 57}, {"178", 85, 39}, {"188", 85, 39},
    {"179", 65, 57},   {"189", 65, 57}, {"184", 37, 16}, {"185", 37, 16}, {"158", 73, 27},
    {"159", 73, 27},   {"190", 37, 14}, {"191", 37, 14}, {"192", 37, 14}, {"193", 37, 14},
    {"194", 23, 17},   {"195", 23, 17}, {"196", 37, 20}, {"197", 37, 20}, {"207", 71, 13},
    {"208", 71, 13},   {"209", 71, 13}, {"210", 71, 13},
};

class SkinResources : public ::testing::Test {
protected:
  void SetUp() override { platform::ui::testing::testApplication(); }
};

TEST_F(SkinResources, MainWindowBitmapsAreEightBitAtTheirSizes) {
  for (const Art& art : kEightBitSkin) {
    const QImage image = loadSkinBitmap(art.name);
    ASSERT_FALSE(image.isNull()) << art.name;
    EXPECT_EQ(image.size(), QSize(art.width, art.height)) << art.name;
    EXPECT_EQ(image.depth(), 8) << art.name;
    EXPECT_LE(image.colorCount(), 256) << art.name;
  }
}

TEST_F(SkinResources, EveryButtonHasItsBitmapsAtTheButtonsSize) {
  for (const Key& key : kKeys) {
    for (char suffix : key.suffixes) {
      const std::string name = key.base + suffix;
      const QImage image = loadSkinBitmap(name);
      ASSERT_FALSE(image.isNull()) << name;
      EXPECT_EQ(image.size(), QSize(key.width, key.height)) << name;
    }
    // The up, down and disabled faces differ from each other.
    EXPECT_NE(loadSkinBitmap(key.base + "U"), loadSkinBitmap(key.base + "D")) << key.base;
  }
  // Buttons without a disabled face have none (they fall back to up).
  EXPECT_TRUE(loadSkinBitmap("ZOOMX").isNull());
  EXPECT_TRUE(loadSkinBitmap("VDO_SWOUTX").isNull());
}

TEST_F(SkinResources, LampsGroovesAndPageStripsExist) {
  for (const Art& art : kOtherBitmaps) {
    const QImage image = loadSkinBitmap(art.name);
    ASSERT_FALSE(image.isNull()) << art.name;
    EXPECT_EQ(image.size(), QSize(art.width, art.height)) << art.name;
  }
  // The record lamps can be told apart.
  EXPECT_NE(loadSkinBitmap("REC_LITE_RED1"), loadSkinBitmap("REC_LITE_GRN"));
  EXPECT_NE(loadSkinBitmap("REC_LITE_RED1"), loadSkinBitmap("REC_LITE_NOR"));
}

TEST_F(SkinResources, IconsAndCursorsLoadWithTheirShapes) {
  const QImage thumb = loadSkinIconImage(kThumbIcon);
  ASSERT_FALSE(thumb.isNull());
  EXPECT_EQ(thumb.size(), QSize(32, 32));
  // The thumb fills its 23 x 11 corner; the rest lets the groove show.
  EXPECT_EQ(qAlpha(thumb.pixel(11, 5)), 255);
  EXPECT_EQ(qAlpha(thumb.pixel(28, 28)), 0);
  EXPECT_EQ(qAlpha(thumb.pixel(23, 5)), 0);

  const QIcon program = loadSkinIcon(kProgramIcon);
  ASSERT_FALSE(program.isNull());
  EXPECT_EQ(program.availableSizes().size(), 2);

  for (std::string_view name : {kDrawerCursor, kHelpCursor}) {
    const auto cursor = loadSkinCursor(name);
    ASSERT_TRUE(cursor) << name;
    EXPECT_EQ(cursor->pixmap().size(), QSize(32, 32));
  }
  EXPECT_EQ(loadSkinCursor(kDrawerCursor)->hotSpot(), QPoint(11, 1));
}

TEST_F(SkinResources, UnknownOrMalformedNamesLoadNothing) {
  for (std::string_view name : {"", "NO_SUCH", "main_cntr", "../MAIN_CNTR", "MAIN_CNTR.bmp", ":/x"}) {
    EXPECT_TRUE(loadSkinBitmap(name).isNull()) << name;
  }
  EXPECT_TRUE(loadSkinIcon("NO_SUCH").isNull());
  EXPECT_FALSE(loadSkinCursor("NO_SUCH"));
  {
    testing::MissingSkinResources missing({"MAIN_CNTR"});
    EXPECT_TRUE(loadSkinBitmap("MAIN_CNTR").isNull());
  }
  EXPECT_FALSE(loadSkinBitmap("MAIN_CNTR").isNull());
}

TEST_F(SkinResources, ScannerModuleArtIsCompiledInByNumber) {
  for (const Art& art : kModuleBitmaps) {
    const QImage image(QString::fromStdString(":/ostrel2/bitmaps/" + art.name + ".bmp"));
    ASSERT_FALSE(image.isNull()) << art.name;
    EXPECT_EQ(image.size(), QSize(art.width, art.height)) << art.name;
  }
  EXPECT_EQ(QImage(":/ostrel2/icons/SLIDER_ICO.png").size(), QSize(32, 32));
  EXPECT_EQ(QImage(":/ostrel2/icons/1261.png").size(), QSize(32, 32));
  for (const char* cursor : {":/ostrel2/cursors/219.png", ":/ostrel2/cursors/220.png"}) {
    const QImage image(cursor);
    ASSERT_FALSE(image.isNull()) << cursor;
    EXPECT_FALSE(image.text("HotSpotX").isEmpty());
  }
}

} // namespace
} // namespace lumoset
