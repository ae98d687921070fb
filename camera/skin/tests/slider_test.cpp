// The picture sliders and the progress strip under real mouse events.

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "camera/resources/testing/missing_skin_resources.h"
#include "camera/skin/adjust_slider.h"
#include "camera/skin/progress_strip.h"
#include "platform/ui/testing/recording_message_boxes.h"
#include "skin_test_window.h"

namespace lumoset {
namespace {

using testing::Message;
using testing::SkinTestWindow;
namespace ui = platform::ui;

class Slider : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(slider->create(&window, QRect(141, 399, 71, 13)));
    EXPECT_FALSE(slider->isVisible());  // created hidden
    slider->show();
  }
  // The thumb's middle, where a drag starts.
  QPoint grip() const { return slider->thumbRect().center(); }
  // Presses on the thumb and moves `dx` pixels one at a time, then releases.
  void drag(int dx, bool releaseAtEnd = true) {
    QPoint p = grip();
    window.press(slider, p);
    const int step = dx > 0 ? 1 : -1;
    for (int i = 0; i != dx; i += step) {
      p.rx() += step;
      window.move(slider, QPoint(std::clamp(p.x(), 0, slider->width() - 1), p.y()));
    }
    if (releaseAtEnd) window.release(slider, QPoint(std::clamp(p.x(), 0, slider->width() - 1), p.y()));
  }
  // The drag and value messages, in order.
  std::vector<std::tuple<std::uint32_t, std::uintptr_t, std::intptr_t>> reports() const {
    std::vector<std::tuple<std::uint32_t, std::uintptr_t, std::intptr_t>> out;
    for (const Message& m : window.withoutRelays()) out.emplace_back(m.message, m.wParam, m.lParam);
    return out;
  }

  SkinTestWindow window;
  AdjustSlider* slider = new AdjustSlider(AdjustSlider::kBrightness);
};

using Report = std::tuple<std::uint32_t, std::uintptr_t, std::intptr_t>;

TEST_F(Slider, TakesTheGroovesSizePlusOneAndCentresTheThumb) {
  EXPECT_EQ(slider->geometry(), QRect(141, 399, 72, 14));
  EXPECT_EQ(slider->originX(), (72 - 23) / 2);
  EXPECT_EQ(slider->thumbX(), slider->originX());
  EXPECT_EQ(slider->thumbY(), (14 - 11) / 2);
  EXPECT_EQ(slider->value(), 0);
}

TEST_F(Slider, DragFarRightReportsTenOnceWithDragBeginAndEnd) {
  drag(30);
  EXPECT_EQ(slider->thumbX(), slider->originX() + 20);
  EXPECT_FALSE(slider->isDragging());
  EXPECT_FALSE(slider->timers().isRunning(AdjustSlider::kRestTimerId));
  const std::vector<Report> expected = {{ui::kUmSliderDrag, 0, 0},
                                        {ui::kUmSliderDrag, 1, 0},
                                        {ui::kUmSliderChanged, AdjustSlider::kBrightness, 10}};
  EXPECT_EQ(reports(), expected);
  // Every move was relayed for the tooltips.
  EXPECT_GE(window.ofKind(ui::kUmRelayTooltip).size(), 20u);
}

TEST_F(Slider, ValueIsHalfTheOffsetCutTowardZero) {
  drag(-3);
  EXPECT_EQ(slider->thumbX(), slider->originX() - 3);
  ASSERT_FALSE(reports().empty());
  EXPECT_EQ(reports().back(), Report(ui::kUmSliderChanged, AdjustSlider::kBrightness, -1));
  window.messages.clear();
  drag(4);  // from -3 to +1: 0
  EXPECT_EQ(reports().back(), Report(ui::kUmSliderChanged, AdjustSlider::kBrightness, 0));
}

TEST_F(Slider, Resting500msEndsTheDragAndLaterMovesDoNotMoveTheThumb) {
  drag(6, /*releaseAtEnd=*/false);
  EXPECT_TRUE(slider->isDragging());
  EXPECT_TRUE(slider->timers().isRunning(AdjustSlider::kRestTimerId));
  EXPECT_EQ(slider->timers().interval(AdjustSlider::kRestTimerId), AdjustSlider::kRestMs);
  EXPECT_EQ(reports().size(), 1u);  // drag begun only

  // Let the real timer run out.
  EXPECT_TRUE(QTest::qWaitFor([&] { return !slider->isDragging(); }, 5000));
  EXPECT_FALSE(slider->timers().isRunning(AdjustSlider::kRestTimerId));
  const std::vector<Report> expected = {{ui::kUmSliderDrag, 0, 0},
                                        {ui::kUmSliderDrag, 1, 0},
                                        {ui::kUmSliderChanged, AdjustSlider::kBrightness, 3}};
  EXPECT_EQ(reports(), expected);

  // The button is still down: moving does not move the thumb any more.
  const int rested = slider->thumbX();
  window.move(slider, grip() + QPoint(5, 0));
  window.move(slider, grip() + QPoint(9, 0));
  EXPECT_EQ(slider->thumbX(), rested);
  window.release(slider, grip() + QPoint(9, 0));
  EXPECT_EQ(reports().size(), 3u);
}

TEST_F(Slider, EachMoveRestartsTheRestTimer) {
  drag(2, false);
  ASSERT_TRUE(slider->timers().isRunning(AdjustSlider::kRestTimerId));
  QTest::qWait(300);
  window.move(slider, grip() + QPoint(1, 0));
  QElapsedTimer sinceMove;
  sinceMove.start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !slider->isDragging(); }, 5000));
  // The rest is counted from the last move, not from the start of the drag
  // (a loaded machine can only make it later).
  EXPECT_GE(sinceMove.elapsed(), AdjustSlider::kRestMs * 9 / 10);
}

TEST_F(Slider, LeavingTheSliderStopsFollowingAndTheTimerEndsTheDrag) {
  drag(4, false);
  const int before = slider->thumbX();
  window.move(slider, QPoint(grip().x() + 8, 40));  // below the slider
  EXPECT_EQ(slider->thumbX(), before);
  EXPECT_TRUE(slider->isDragging());
  ASSERT_TRUE(const_cast<ui::WindowTimers&>(slider->timers()).fire(AdjustSlider::kRestTimerId));
  EXPECT_FALSE(slider->isDragging());
  EXPECT_EQ(reports().back(), Report(ui::kUmSliderChanged, AdjustSlider::kBrightness, 2));
}

TEST_F(Slider, APressOutsideTheThumbOnlyRelaysTooltips) {
  const QPoint left(3, 7);
  ASSERT_FALSE(slider->thumbRect().contains(left));
  window.press(slider, left);
  for (int x = 4; x < 20; ++x) window.move(slider, QPoint(x, 7));
  window.release(slider, QPoint(19, 7));
  EXPECT_TRUE(reports().empty());
  EXPECT_EQ(slider->thumbX(), slider->originX());
  // At least the 16 moves (the window system may add one where the press lands).
  EXPECT_GE(window.ofKind(ui::kUmRelayTooltip).size(), 16u);
  const Message relay = window.ofKind(ui::kUmRelayTooltip).back();
  EXPECT_EQ(relay.relayed.window, slider);
  EXPECT_EQ(relay.relayed.message, ui::kWmMouseMove);
  EXPECT_EQ(relay.relayed.point, QPoint(19, 7));
}

TEST_F(Slider, PressAndReleaseWithoutMovingEndsTheDragQuietly) {
  window.press(slider, grip());
  EXPECT_TRUE(slider->isDragging());
  window.release(slider, grip());
  EXPECT_FALSE(slider->isDragging());
  EXPECT_TRUE(reports().empty());
  // Moving over it afterwards, no button held, leaves the thumb alone.
  for (int dx = 1; dx <= 6; ++dx) window.move(slider, grip() + QPoint(dx, 0));
  EXPECT_EQ(slider->thumbX(), slider->originX());
  EXPECT_TRUE(reports().empty());
}

TEST_F(Slider, StoredValueBeyondTheRangeSitsPastTheGrooveUntilTheNextDragClampsIt) {
  slider->setPosition(15);
  EXPECT_EQ(slider->thumbX(), slider->originX() + 30);
  EXPECT_EQ(slider->value(), 15);
  EXPECT_GT(slider->thumbRect().right(), slider->width());
  // Grab the part of the thumb still on the slider and nudge it.
  const QPoint onThumb(slider->thumbX() + 2, 7);
  window.press(slider, onThumb);
  window.move(slider, onThumb + QPoint(-1, 0));
  window.release(slider, onThumb + QPoint(-1, 0));
  EXPECT_EQ(slider->thumbX(), slider->originX() + 20);
  EXPECT_EQ(reports().back(), Report(ui::kUmSliderChanged, AdjustSlider::kBrightness, 10));

  slider->setPosition(-4);  // from where it stands
  EXPECT_EQ(slider->value(), 6);
  slider->centre();
  EXPECT_EQ(slider->thumbX(), slider->originX());
  EXPECT_EQ(slider->value(), 0);
}

TEST(SliderFailures, MissingArtReportsMemoryInsufficient) {
  SkinTestWindow window;
  ui::testing::RecordingMessageBoxes boxes;
  AdjustSlider unknown(7);
  EXPECT_FALSE(unknown.create(&window, QRect(0, 0, 71, 13)));
  {
    lumoset::testing::MissingSkinResources missing({"296"});
    AdjustSlider hue(AdjustSlider::kHue);
    EXPECT_FALSE(hue.create(&window, QRect(30, 394, 71, 13)));
  }
  ASSERT_EQ(boxes.shown().size(), 2u);
  for (const auto& box : boxes.shown()) {
    EXPECT_EQ(box.text, "Memory Insufficient");
    EXPECT_EQ(box.caption, "Lumoset");
  }
  AdjustSlider hue(AdjustSlider::kHue);
  EXPECT_TRUE(hue.create(&window, QRect(30, 394, 71, 13)));
  EXPECT_EQ(boxes.shown().size(), 2u);
}

TEST(Progress, DarkPartGrowsWithPositionOverTotal) {
  SkinTestWindow window;
  auto* strip = new ProgressStrip;
  ASSERT_TRUE(strip->create(&window, QRect(61, 274, 320, 2)));
  auto pixel = [&](int x) { return strip->grab().toImage().pixelColor(x, 1); };

  strip->setProgress(1, 4);
  EXPECT_EQ(strip->doneWidth(), 80);
  EXPECT_EQ(pixel(79), ProgressStrip::kDone);
  EXPECT_EQ(pixel(80), ProgressStrip::kToDo);

  strip->setProgress(7, 20);  // 7 x 320 / 20 = 112
  EXPECT_EQ(strip->doneWidth(), 112);
  strip->setProgress(1, 3);  // 106.67 cut to 106
  EXPECT_EQ(strip->doneWidth(), 106);
  strip->setProgress(1, 1);
  EXPECT_EQ(pixel(319), ProgressStrip::kDone);

  // No total yet, or counts beyond it: nothing breaks, the strip stays in bounds.
  strip->setProgress(5, 0);
  EXPECT_EQ(strip->doneWidth(), 0);
  EXPECT_EQ(pixel(0), ProgressStrip::kToDo);
  strip->setProgress(30, 20);
  EXPECT_EQ(strip->doneWidth(), 320);
  strip->setProgress(-3, 20);
  EXPECT_EQ(strip->doneWidth(), 0);
  strip->setProgress(2'000'000'000, 2'000'000'000);
  EXPECT_EQ(strip->doneWidth(), 320);
}

} // namespace
} // namespace lumoset
