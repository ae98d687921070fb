// The main window's skin on a real top-level window: window widths and the
// left-edge move, every control's place for both video album states, the
// drawer, the painted indicators and lights, palette mode and missing art.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "camera/resources/skin_resources.h"
#include "camera/resources/testing/missing_skin_resources.h"
#include "camera/skin/adjust_slider.h"
#include "camera/skin/main_skin.h"
#include "camera/skin/progress_strip.h"
#include "camera/skin/record_button.h"
#include "platform/ui/testing/recording_message_boxes.h"
#include "skin_test_window.h"

namespace lumoset {
namespace {

namespace ui = platform::ui;

// The main window stand-in, painting itself with its skin.
class SkinnedWindow : public testing::SkinTestWindow {
public:
  explicit SkinnedWindow(bool paletteMode = false) : skin(this, paletteMode) {}

  QImage shown(QRect part) { return grab(part).toImage().convertToFormat(QImage::Format_RGB32); }

  MainSkin skin;

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    skin.paint(painter);
  }
};

QImage art(const char* name) { return loadSkinBitmap(name).convertToFormat(QImage::Format_RGB32); }

QRect edges(int left, int top, int right, int bottom) {
  return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

TEST(MainSkinWindow, KeepsTheCentrePanelStillWhileTheAlbumsOpenAndClose) {
  SkinnedWindow window;
  ui::testing::RecordingMessageBoxes boxes;
  ASSERT_TRUE(window.skin.create());

  const QRect screen = window.screen()->geometry();
  const int border = window.geometry().left() - window.frameGeometry().left();
  const int caption = window.geometry().top() - window.frameGeometry().top();
  const QSize outer(442 + 2 * border, 455 + caption + border);
  EXPECT_EQ(window.size(), QSize(442, 455));
  EXPECT_EQ(window.frameGeometry().topLeft(),
            screen.topLeft() + QPoint((screen.width() - outer.width()) / 2,
                                      (screen.height() - outer.height()) / 2));

  const QPoint centreOnScreen = window.mapToGlobal(QPoint(0, 0));
  window.skin.openVideoAlbum();
  EXPECT_EQ(window.size(), QSize(526, 455));
  EXPECT_EQ(window.skin.centreX(), 84);
  EXPECT_EQ(window.mapToGlobal(QPoint(84, 0)), centreOnScreen);

  const int leftEdge = window.frameGeometry().left();
  window.skin.openPhotoAlbum();
  EXPECT_EQ(window.size(), QSize(610, 455));
  EXPECT_EQ(window.frameGeometry().left(), leftEdge);
  EXPECT_EQ(window.mapToGlobal(QPoint(84, 0)), centreOnScreen);

  window.skin.closeVideoAlbum();
  EXPECT_EQ(window.size(), QSize(526, 455));
  EXPECT_EQ(window.mapToGlobal(QPoint(0, 0)), centreOnScreen);
  window.skin.closePhotoAlbum();
  EXPECT_EQ(window.size(), QSize(442, 455));
  EXPECT_EQ(window.mapToGlobal(QPoint(0, 0)), centreOnScreen);
  EXPECT_TRUE(boxes.shown().empty());

  // A size the skin never makes is reported, and nothing else changes.
  window.setFixedSize(500, 455);
  EXPECT_FALSE(window.skin.checkClientSize());
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].text, "Window rect is wrong!");
  EXPECT_EQ(boxes.shown()[0].caption, "Lumoset");
  EXPECT_EQ(window.size(), QSize(500, 455));
}

struct Place {
  QRect closed;  // video album closed
  QRect open;    // video album open
};

TEST(MainSkinControls, SitAtTheirPlacesForBothVideoAlbumStates) {
  SkinnedWindow window;
  ASSERT_TRUE(window.skin.create());
  MainSkin& skin = window.skin;

  const auto shifted = [](QRect r) { return Place{r, r.translated(84, 0)}; };
  const auto fixed = [](QRect r) { return Place{r, r}; };
  const std::map<int, Place> places = {
      {kIdOpenVideoAlbum, {edges(0, 16, 23, 41), edges(84, 16, 107, 41)}},
      {kIdCloseVideoAlbum, fixed(edges(0, 16, 23, 41))},
      {kIdVideoAlbumUp, fixed(edges(32, 51, 52, 67))},
      {kIdVideoAlbumDown, fixed(edges(32, 354, 52, 370))},
      {kIdOpenPhotoAlbum, shifted(edges(420, 16, 442, 41))},
      {kIdClosePhotoAlbum, shifted(edges(502, 16, 526, 41))},
      {kIdPhotoAlbumUp, shifted(edges(473, 50, 494, 67))},
      {kIdPhotoAlbumDown, shifted(edges(473, 354, 494, 370))},
      {kIdZoom, shifted(edges(159, 312, 177, 330))},
      {kIdView, shifted(edges(211, 313, 230, 333))},
      {kIdColour, shifted(edges(264, 312, 282, 329))},
      {kIdExit, shifted(edges(33, 317, 106, 344))},
      {kIdStop, shifted(edges(212, 347, 266, 376))},
      {kIdRecord, shifted(edges(266, 336, 329, 377))},
      {kIdTakePicture, shifted(edges(329, 318, 384, 372))},
      {kIdPrint, shifted(edges(384, 304, 429, 355))},
      {kIdHelp, shifted(edges(397, 359, 434, 375))},
      {kIdQuality, shifted(edges(262, 407, 299, 421))},
      {kIdSpeed, shifted(edges(262, 429, 299, 443))},
      {kIdReset, shifted(edges(408, 397, 431, 414))},
      {kIdSetup, shifted(edges(396, 420, 433, 440))},
  };
  // Sliders: one pixel larger than their grooves.
  const std::map<int, QRect> sliders = {
      {AdjustSlider::kHue, QRect(30, 394, 72, 14)},
      {AdjustSlider::kSaturation, QRect(47, 419, 72, 14)},
      {AdjustSlider::kBrightness, QRect(141, 399, 72, 14)},
      {AdjustSlider::kContrast, QRect(157, 425, 72, 14)},
  };

  // As created: the album and drawer controls hidden, the rest shown.
  const std::vector<int> createdHidden = {1111, 1110, 1093, 1094, 1112, 1113,
                                          1092, 1095, 1104, 1105, 1023, 1010};
  for (const auto& [id, place] : places) {
    SCOPED_TRACE(id);
    ASSERT_NE(skin.button(id), nullptr);
    EXPECT_EQ(skin.button(id)->geometry(), place.closed);
    const bool hidden = std::find(createdHidden.begin(), createdHidden.end(), id) != createdHidden.end();
    EXPECT_EQ(skin.button(id)->isVisibleTo(&window), !hidden);
  }
  EXPECT_EQ(skin.button(kIdRecord), skin.recordButton());
  EXPECT_EQ(skin.button(1234), nullptr);
  for (const auto& [type, rect] : sliders) {
    EXPECT_EQ(skin.slider(type)->geometry(), rect);
    EXPECT_FALSE(skin.slider(type)->isVisibleTo(&window));
  }
  EXPECT_EQ(skin.progressStrip()->geometry(), QRect(61, 274, 320, 2));
  EXPECT_TRUE(skin.progressStrip()->isVisibleTo(&window));
  EXPECT_EQ(skin.tooltipTools().size(), places.size() + sliders.size());

  const auto expectShown = [&](std::initializer_list<int> ids, bool shown) {
    for (int id : ids) EXPECT_EQ(skin.button(id)->isVisibleTo(&window), shown) << id;
  };
  skin.placeControls();
  expectShown({kIdOpenVideoAlbum, kIdOpenPhotoAlbum}, true);
  expectShown({kIdCloseVideoAlbum, kIdVideoAlbumUp, kIdVideoAlbumDown, kIdClosePhotoAlbum,
               kIdPhotoAlbumUp, kIdPhotoAlbumDown}, false);

  skin.openVideoAlbum();
  for (const auto& [id, place] : places) EXPECT_EQ(skin.button(id)->geometry(), place.open) << id;
  for (const auto& [type, rect] : sliders)
    EXPECT_EQ(skin.slider(type)->geometry(), rect.translated(84, 0));
  EXPECT_EQ(skin.progressStrip()->geometry(), QRect(145, 274, 320, 2));
  expectShown({kIdOpenVideoAlbum, kIdCloseVideoAlbum, kIdVideoAlbumUp, kIdVideoAlbumDown}, true);
  expectShown({kIdClosePhotoAlbum, kIdPhotoAlbumUp, kIdPhotoAlbumDown}, false);

  skin.openPhotoAlbum();
  expectShown({kIdClosePhotoAlbum, kIdPhotoAlbumUp, kIdPhotoAlbumDown}, true);
  skin.closeVideoAlbum();
  for (const auto& [id, place] : places) EXPECT_EQ(skin.button(id)->geometry(), place.closed) << id;
  expectShown({kIdCloseVideoAlbum, kIdVideoAlbumUp, kIdVideoAlbumDown}, false);
  expectShown({kIdOpenVideoAlbum, kIdClosePhotoAlbum}, true);
}

TEST(MainSkinDrawer, RegionShrinksToTheHandleAndTheDrawerControlsFollow) {
  SkinnedWindow window;
  ASSERT_TRUE(window.skin.create());
  MainSkin& skin = window.skin;
  const auto drawerShown = [&] {
    int shown = 0;
    for (int id : {kIdQuality, kIdSpeed, kIdReset, kIdSetup})
      shown += skin.button(id)->isVisibleTo(&window);
    for (int type = 0; type < 4; ++type) shown += skin.slider(type)->isVisibleTo(&window);
    return shown;
  };

  EXPECT_EQ(skin.flags().drawerClosed, 1);
  EXPECT_TRUE(skin.drawerRegion().contains(QPoint(200, 430)));
  EXPECT_TRUE(skin.drawerRegion().contains(QPoint(430, 445)));
  EXPECT_FALSE(skin.drawerRegion().contains(QPoint(200, 300)));
  EXPECT_EQ(drawerShown(), 0);

  skin.toggleDrawer();
  EXPECT_EQ(skin.flags().drawerClosed, 0);
  EXPECT_TRUE(skin.drawerRegion().contains(QPoint(90, 449)));
  EXPECT_FALSE(skin.drawerRegion().contains(QPoint(200, 430)));
  EXPECT_EQ(drawerShown(), 8);

  // With the video album open the open handle moves along; the closed
  // drawer has its own outline reaching to the photo panel's edge.
  skin.openVideoAlbum();
  EXPECT_TRUE(skin.drawerRegion().contains(QPoint(174, 449)));
  EXPECT_FALSE(skin.drawerRegion().contains(QPoint(90, 449)));
  skin.toggleDrawer();
  EXPECT_EQ(drawerShown(), 0);
  EXPECT_TRUE(skin.drawerRegion().contains(QPoint(500, 440)));
  EXPECT_FALSE(skin.drawerRegion().contains(QPoint(60, 440)));  // video panel
  skin.closeVideoAlbum();
  EXPECT_FALSE(skin.drawerRegion().contains(QPoint(500, 440)));
  EXPECT_TRUE(skin.drawerRegion().contains(QPoint(60, 440)));
}

TEST(MainSkinPainting, IndicatorsAndLightsLandAtTheirPlaces) {
  SkinnedWindow window;
  ASSERT_TRUE(window.skin.create());
  MainSkin& skin = window.skin;

  // The zoomed indicator, then the same with the video album open; the
  // extra column of the one-larger copy keeps the panel under it.
  skin.flags().zoom = 0;
  skin.redrawIndicators();
  EXPECT_EQ(window.shown(QRect(155, 277, 26, 25)), art("ZOOM_OUT"));
  EXPECT_EQ(window.shown(QRect(181, 277, 1, 26)), art("MAIN_CNTR").copy(181, 277, 1, 26));
  EXPECT_EQ(window.shown(QRect(206, 278, 27, 22)), art("VIEW_LARG"));
  skin.openVideoAlbum();
  EXPECT_EQ(window.shown(QRect(239, 277, 26, 25)), art("ZOOM_OUT"));
  EXPECT_EQ(window.shown(QRect(84, 0, 20, 12)), art("MAIN_CNTR").copy(0, 0, 20, 12));
  EXPECT_EQ(window.shown(QRect(30, 100, 40, 40)), art("MAIN_LEFT").copy(30, 100, 40, 40));
  EXPECT_EQ(window.shown(QRect(11, 411, 40, 17)), art("REC_CONU"));
  skin.flags().recordingMode = 1;
  skin.flags().sound = kSoundRadio;
  skin.flags().videoSize = 3;
  skin.flags().videoLight = 1;
  skin.redrawIndicators();
  EXPECT_EQ(window.shown(QRect(11, 411, 40, 17)), art("REC_LAPS"));
  EXPECT_EQ(window.shown(QRect(11, 386, 31, 18)), art("SOUND_RAD"));
  EXPECT_EQ(window.shown(QRect(11, 437, 42, 9)), art("SIZE_XL"));
  EXPECT_EQ(window.shown(QRect(107, 24, 5, 9)), art("VDO_LITEUP"));

  skin.openPhotoAlbum();
  skin.flags().photoMode = 1;
  skin.flags().photoSize = 4;
  skin.redrawIndicators();
  EXPECT_EQ(window.shown(QRect(526 + 52, 409, 23, 16)), art("CAP_AUTO"));
  EXPECT_EQ(window.shown(QRect(526 + 32, 435, 42, 9)), art("SIZE_XXL"));
  EXPECT_EQ(window.shown(QRect(526, 100, 84, 40)), art("MAIN_RIGHT").copy(0, 100, 84, 40));
  skin.closeVideoAlbum();
  skin.closePhotoAlbum();

  // Drawer lights: quality level 2 lights the third light of the upper row.
  const auto lightsOf = [&](int y) {
    std::vector<bool> lit;
    for (int x : {312, 345, 376}) {
      const QImage light = window.shown(QRect(x, y, 3, 4));
      EXPECT_TRUE(light == art("SET_LITEUP") || light == art("SET_LITEOFF"));
      lit.push_back(light == art("SET_LITEUP"));
    }
    return lit;
  };
  EXPECT_EQ(window.shown(QRect(9, 366, 190, 89)), art("SET_CLOS_LF"));
  skin.toggleDrawer();
  EXPECT_EQ(window.shown(QRect(300, 383, 40, 15)), art("SET_OPEN_RT").copy(101, 0, 40, 15));
  skin.flags().qualityLevel = 2;
  skin.flags().speedLevel = 0;
  skin.redrawLevelLights();
  EXPECT_EQ(lightsOf(405), (std::vector<bool>{false, false, true}));
  EXPECT_EQ(lightsOf(428), (std::vector<bool>{true, false, false}));

  skin.setSliderPositions(3, -2, 10, 0);
  skin.setSliderPositions(3, -2, 10, 0);  // from the centre, not added up
  EXPECT_EQ(skin.slider(AdjustSlider::kHue)->value(), 3);
  EXPECT_EQ(skin.slider(AdjustSlider::kSaturation)->value(), -2);
  EXPECT_EQ(skin.slider(AdjustSlider::kBrightness)->value(), 10);
  skin.reset();
  EXPECT_EQ(lightsOf(405), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(lightsOf(428), (std::vector<bool>{false, true, false}));
  for (int type = 0; type < 4; ++type) EXPECT_EQ(skin.slider(type)->value(), 0);

  skin.setProgress(1, 4);
  EXPECT_EQ(skin.progressStrip()->doneWidth(), 80);
}

// Everything the skin paints, with both albums open and the drawer open.
QImage paintedSkin(MainSkin& skin) {
  skin.flags().videoAlbumOpen = 1;
  skin.flags().photoAlbumOpen = 1;
  skin.flags().drawerClosed = 0;
  QImage image(kWidthBothAlbums, kClientHeight, QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter painter(&image);
  skin.paint(painter);
  return image;
}

bool onlyPaletteColours(const QImage& image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      if (qRed(c) % 51 || qGreen(c) % 51 || qBlue(c) % 51) return false;
    }
  return true;
}

TEST(MainSkinPalette, PaletteModePaintsOnlyTheSharedPaletteColours) {
  SkinnedWindow trueColour(false);
  ASSERT_TRUE(trueColour.skin.create());
  EXPECT_FALSE(onlyPaletteColours(paintedSkin(trueColour.skin)));

  SkinnedWindow palette(true);
  ASSERT_TRUE(palette.skin.create());
  EXPECT_TRUE(palette.skin.paletteMode());
  const QImage painted = paintedSkin(palette.skin);
  EXPECT_TRUE(onlyPaletteColours(painted));
  // Each colour went to its nearest palette colour: no channel moved by more
  // than half a step (a band of the centre panel with nothing over it).
  const QImage stored = art("MAIN_CNTR");
  for (int y = 40; y < 270; y += 3)
    for (int x = 0; x < stored.width(); x += 3) {
      const QRgb a = stored.pixel(x, y), b = painted.pixel(84 + x, y);
      ASSERT_LE(std::abs(qRed(a) - qRed(b)), 25);
      ASSERT_LE(std::abs(qGreen(a) - qGreen(b)), 25);
      ASSERT_LE(std::abs(qBlue(a) - qBlue(b)), 25);
    }
}

TEST(MainSkinFailures, MissingArtStopsTheCreationWithOneMessage) {
  ui::testing::RecordingMessageBoxes boxes;
  {
    testing::MissingSkinResources missing({"SET_LITEOFF"});
    SkinnedWindow window;
    EXPECT_FALSE(window.skin.create());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Memory Insufficient");
    EXPECT_EQ(boxes.shown()[0].caption, "Lumoset");
    EXPECT_EQ(boxes.shown()[0].owner, &window);
    EXPECT_EQ(window.skin.button(kIdExit), nullptr);  // no control was made
  }
  {
    testing::MissingSkinResources missing({"PRNTX"});
    SkinnedWindow window;
    EXPECT_FALSE(window.skin.create());
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text, "Error to create Lumoset!");
  }
  {
    // The record key and the sliders report their own art.
    testing::MissingSkinResources missing({"RECX"});
    SkinnedWindow window;
    EXPECT_FALSE(window.skin.create());
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_EQ(boxes.shown()[2].text, "Memory Insufficient");
  }
}

} // namespace
} // namespace lumoset
