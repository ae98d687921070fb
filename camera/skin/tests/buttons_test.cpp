// The main window's skinned buttons under real mouse events: outlines,
// clicks, the drawing rule, tooltip relays, the record lamp and creation
// failures.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPaintEvent>

#include <QImage>

#include "camera/resources/skin_resources.h"
#include "camera/resources/testing/missing_skin_resources.h"
#include "camera/skin/hit_regions.h"
#include "camera/skin/record_button.h"
#include "camera/skin/shaped_button.h"
#include "platform/ui/testing/recording_message_boxes.h"
#include "skin_test_window.h"

namespace lumoset {
namespace {

using testing::SkinTestWindow;
namespace ui = platform::ui;

// The pixels a widget shows now.
QImage shown(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }
QImage asShown(const QImage& bitmap) { return bitmap.convertToFormat(QImage::Format_RGB32); }
QImage shownPart(QWidget* w, QRect r) { return shown(w).copy(r); }

ShapedButton* makeButton(SkinTestWindow& window, int shape, QRect rect, int id, const char* up,
                         const char* down, const char* disabled = "") {
  auto* button = new ShapedButton(shape);
  EXPECT_TRUE(button->create(&window, rect, id, true));
  EXPECT_TRUE(button->loadBitmaps(up, down, disabled));
  button->sizeToContent();
  button->move(rect.topLeft());
  return button;
}

TEST(SkinnedButtons, ExitKeyClicksOnlyInsideItsOutline) {
  SkinTestWindow window;
  ShapedButton* exit = makeButton(window, kShapeExit, QRect(33, 317, 73, 27), 2, "CLOSEU", "CLOSED");
  EXPECT_EQ(exit->size(), QSize(73, 27));

  // The transparent corners: top right, bottom left, far right bottom.
  for (QPoint corner : {QPoint(70, 2), QPoint(2, 25), QPoint(72, 26), QPoint(0, 0)}) {
    window.click(exit, corner);
  }
  EXPECT_TRUE(window.clicks().empty());
  EXPECT_FALSE(exit->isDown());

  window.click(exit, QPoint(30, 12));
  EXPECT_EQ(window.clicks(), std::vector<int>{2});
  const auto command = window.ofKind(ui::kWmCommand).front();
  EXPECT_EQ(command.lParam, reinterpret_cast<std::intptr_t>(static_cast<QWidget*>(exit)));
}

TEST(SkinnedButtons, APressInsideTheShapeClicksWhenReleasedAnywhereOverTheRectangle) {
  SkinTestWindow window;
  ShapedButton* take = makeButton(window, kShapeTakePicture, QRect(329, 318, 55, 54), 1001, "CAPU",
                                  "CAPD", "CAPX");
  ASSERT_FALSE(take->hitRegion().contains(QPoint(2, 2)));  // corner of the rectangle

  window.press(take, QPoint(27, 27));
  EXPECT_TRUE(take->isDown());
  EXPECT_EQ(shown(take), asShown(take->bitmap(BitmapButton::Face::Down)));
  window.move(take, QPoint(2, 2));
  window.release(take, QPoint(2, 2));
  EXPECT_EQ(window.clicks(), std::vector<int>{1001});
  EXPECT_EQ(shown(take), asShown(take->bitmap(BitmapButton::Face::Up)));

  // A press outside the shape is swallowed: releasing inside it clicks nothing.
  window.messages.clear();
  window.press(take, QPoint(2, 2));
  EXPECT_FALSE(take->isDown());
  window.release(take, QPoint(27, 27));
  EXPECT_TRUE(window.clicks().empty());

  // Released outside the button's rectangle: no click.
  window.press(take, QPoint(27, 27));
  window.move(take, QPoint(80, 27));
  window.release(take, QPoint(80, 27));
  EXPECT_TRUE(window.clicks().empty());
}

TEST(SkinnedButtons, TooltipRelayOnlyForMovesInsideTheOutline) {
  SkinTestWindow window;
  ShapedButton* zoom = makeButton(window, kShapeRound, QRect(159, 312, 18, 18), 5, "ZOOMU", "ZOOMD");

  for (QPoint outside : {QPoint(1, 1), QPoint(16, 16), QPoint(16, 2), QPoint(2, 16)}) {
    window.move(zoom, outside);
  }
  EXPECT_TRUE(window.ofKind(ui::kUmRelayTooltip).empty());

  window.move(zoom, QPoint(8, 9));
  const auto relays = window.ofKind(ui::kUmRelayTooltip);
  ASSERT_EQ(relays.size(), 1u);
  EXPECT_EQ(relays[0].lParam, 0);
  EXPECT_EQ(relays[0].wParam, reinterpret_cast<std::uintptr_t>(&zoom->mouseMoveRecord()));
  EXPECT_EQ(relays[0].relayed.window, zoom);
  EXPECT_EQ(relays[0].relayed.message, ui::kWmMouseMove);
  EXPECT_EQ(relays[0].relayed.wParam, 0u);
  EXPECT_EQ(relays[0].relayed.lParam, 0);
  EXPECT_EQ(relays[0].relayed.time, 0u);
  EXPECT_EQ(relays[0].relayed.point, QPoint(8, 9));
}

TEST(SkinnedButtons, DisabledButtonsShowTheirDisabledOrUpBitmapAndNeverClick) {
  SkinTestWindow window;
  ShapedButton* open = makeButton(window, kShapeRectangle, QRect(0, 16, 23, 25), 1111, "VDO_SWINU",
                                  "VDO_SWIND", "VDO_SWINX");
  ShapedButton* zoom = makeButton(window, kShapeRound, QRect(159, 312, 18, 18), 5, "ZOOMU", "ZOOMD");
  // The open-album switch is sized to its 22 x 25 bitmap, then moved.
  EXPECT_EQ(open->geometry(), QRect(0, 16, 22, 25));

  open->setEnabled(false);
  zoom->setEnabled(false);
  EXPECT_EQ(shown(open), asShown(loadSkinBitmap("VDO_SWINX")));
  EXPECT_EQ(shown(zoom), asShown(loadSkinBitmap("ZOOMU")));
  window.click(open, QPoint(10, 12));
  window.click(zoom, QPoint(8, 8));
  EXPECT_TRUE(window.clicks().empty());

  zoom->setEnabled(true);
  window.click(zoom, QPoint(8, 8));
  EXPECT_EQ(window.clicks(), std::vector<int>{5});
}

TEST(SkinnedButtons, TriangleAndPolygonOutlinesFollowTheKeys) {
  // Points the outlines must take and refuse, in the keys' own pixels.
  struct Case {
    int shape;
    QSize size;
    QPoint inside, outside;
  };
  const Case cases[] = {
      {kShapeRectangle, {37, 14}, {36, 13}, {37, 0}},  {kShapeRound, {18, 18}, {8, 3}, {3, 3}},
      {kShapeTriangleUp, {20, 16}, {10, 4}, {3, 4}},   {kShapeTriangleDown, {20, 16}, {10, 11}, {3, 11}},
      {kShapeStop, {54, 29}, {40, 20}, {10, 25}},      {kShapeTakePicture, {55, 54}, {2, 30}, {50, 50}},
      {kShapePrint, {45, 51}, {20, 20}, {40, 40}},     {kShapeExit, {73, 27}, {60, 18}, {60, 24}},
      {kShapeHelp, {37, 16}, {20, 8}, {3, 3}},
  };
  for (const Case& c : cases) {
    const auto region = shapedButtonRegion(c.shape, c.size);
    ASSERT_TRUE(region) << c.shape;
    EXPECT_TRUE(region->contains(c.inside)) << c.shape;
    EXPECT_FALSE(region->contains(c.outside)) << c.shape;
  }
  EXPECT_FALSE(shapedButtonRegion(9, {10, 10}));
  EXPECT_FALSE(shapedButtonRegion(-1, {10, 10}));
  EXPECT_TRUE(recordButtonRegion().contains(QPoint(50, 20)));
  EXPECT_FALSE(recordButtonRegion().contains(QPoint(5, 3)));
}

class RecordLamp : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(record->create(&window, QRect(266, 336, 63, 41), 1032, true));
  }
  QImage lampShown() { return shownPart(record, QRect(5, 24, 4, 4)); }
  QImage lamp(const char* name) { return asShown(loadSkinBitmap(name)); }

  SkinTestWindow window;
  RecordButton* record = new RecordButton;
};

TEST_F(RecordLamp, ChoosesTheLampInItsOrder) {
  EXPECT_EQ(record->size(), QSize(63, 41));
  EXPECT_EQ(lampShown(), lamp("REC_LITE_NOR"));  // idle

  record->setLightActive(1);
  record->setLightMode(0);
  for (int alert : {0, 1, 0, 1}) {
    record->setLightAlert(alert);
    record->redrawLight();
    EXPECT_EQ(lampShown(), lamp("REC_LITE_RED1")) << "alert " << alert;
  }
  record->setLightAlert(0);
  for (int mode : {1, 2}) {
    record->setLightMode(mode);
    record->redrawLight();
    EXPECT_EQ(lampShown(), lamp("REC_LITE_GRN"));
  }
  record->setLightAlert(1);
  record->redrawLight();
  EXPECT_EQ(lampShown(), lamp("REC_LITE_RED1"));

  // An unknown mode leaves the lamp as it was; a full repaint shows the key there.
  record->setLightAlert(0);
  record->setLightMode(7);
  EXPECT_EQ(record->lamp(), RecordButton::Lamp::None);
  EXPECT_EQ(lampShown(), asShown(loadSkinBitmap("RECU")).copy(QRect(5, 24, 4, 4)));
  // Not active wins over everything.
  record->setLightActive(0);
  record->setLightAlert(1);
  EXPECT_EQ(record->lamp(), RecordButton::Lamp::Idle);
}

namespace {

// Records the paint events a widget receives and the region of each.
class PaintRecorder : public QObject {
public:
  explicit PaintRecorder(QWidget* widget) { widget->installEventFilter(this); }
  std::vector<QRegion> regions;

protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) regions.push_back(static_cast<QPaintEvent*>(event)->region());
    return false;
  }
};

}  // namespace

TEST_F(RecordLamp, RedrawLightPaintsTheLampAtOnceAndNothingElse) {
  QCoreApplication::processEvents();
  PaintRecorder painted(record);
  record->setLightActive(1);
  record->setLightMode(1);
  record->redrawLight();
  // Drawn before redrawLight returns, without waiting for the event loop.
  ASSERT_EQ(painted.regions.size(), 1u);
  EXPECT_EQ(painted.regions[0], QRegion(5, 24, 4, 4));
  EXPECT_EQ(lampShown(), lamp("REC_LITE_GRN"));

  painted.regions.clear();
  record->setLightMode(7);
  record->redrawLight();
  EXPECT_TRUE(painted.regions.empty());
}

TEST_F(RecordLamp, LookAndStateChooseTheKey) {
  const QRect keyPart(30, 5, 20, 20);  // away from the lamp
  EXPECT_EQ(shownPart(record, keyPart), asShown(loadSkinBitmap("RECU")).copy(keyPart));
  record->setLook(0);
  EXPECT_EQ(shownPart(record, keyPart), asShown(loadSkinBitmap("RECX")).copy(keyPart));
  // Look 0 during a manual recording: grey, still clickable.
  window.click(record, QPoint(40, 20));
  EXPECT_EQ(window.clicks(), std::vector<int>{1032});
  record->setLook(1);
  window.press(record, QPoint(40, 20));
  EXPECT_EQ(shownPart(record, keyPart), asShown(loadSkinBitmap("RECD")).copy(keyPart));
  window.release(record, QPoint(40, 20));
  record->setEnabled(false);
  EXPECT_EQ(shownPart(record, keyPart), asShown(loadSkinBitmap("RECX")).copy(keyPart));
  // Outside its own outline (top left corner) a press does nothing.
  record->setEnabled(true);
  window.messages.clear();
  window.click(record, QPoint(3, 3));
  EXPECT_TRUE(window.clicks().empty());
}

TEST(SkinnedButtonFailures, ReportTheEnglishTextsAndFail) {
  SkinTestWindow window;
  ui::testing::RecordingMessageBoxes boxes;

  ShapedButton shapeless(9);
  EXPECT_FALSE(shapeless.create(&window, QRect(0, 0, 10, 10), 77, true));
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].text, "Error to create Lumoset!");
  EXPECT_EQ(boxes.shown()[0].caption, "Lumoset");
  EXPECT_EQ(boxes.shown()[0].owner, &window);

  {
    lumoset::testing::MissingSkinResources missing({"REC_LITE_GRN"});
    RecordButton record;
    EXPECT_FALSE(record.create(&window, QRect(266, 336, 63, 41), 1032, true));
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text, "Memory Insufficient");
  }
  {
    // The pressed face is one of the record key's own bitmaps too.
    lumoset::testing::MissingSkinResources missing({"RECD"});
    RecordButton record;
    EXPECT_FALSE(record.create(&window, QRect(266, 336, 63, 41), 1032, true));
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_EQ(boxes.shown()[2].text, "Memory Insufficient");
  }
  // A missing key bitmap is the caller's to report.
  ShapedButton stop(kShapeStop);
  ASSERT_TRUE(stop.create(&window, QRect(212, 347, 54, 29), 1107, true));
  EXPECT_FALSE(stop.loadBitmaps("STOPU", "STOPD", "NO_SUCHX"));
  EXPECT_FALSE(stop.loadBitmaps("STOPU", "", ""));
  EXPECT_TRUE(stop.loadBitmaps("STOPU", "STOPD", "STOPX"));
  EXPECT_EQ(boxes.shown().size(), 3u);
}

} // namespace
} // namespace lumoset
