#include <gtest/gtest.h>

#include <algorithm>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>
#include <vector>

#include "platform/ui/message_box.h"
#include "platform/ui/testing/recording_message_boxes.h"
#include "platform/ui/testing/test_application.h"
#include "platform/ui/window_message.h"
#include "platform/ui/window_timers.h"

namespace ui = platform::ui;

namespace {

struct Received {
  std::uint32_t message;
  std::uintptr_t wParam;
  std::intptr_t lParam;
};

class Parent : public QWidget, public ui::MessageTarget {
public:
  std::intptr_t windowMessage(std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) override {
    received.push_back({message, wParam, lParam});
    return 42;
  }
  std::vector<Received> received;
};

class UiTest : public ::testing::Test {
protected:
  void SetUp() override { ui::testing::testApplication(); }
};

TEST_F(UiTest, MessagesReachAParentThatTakesThemAndNothingElse) {
  Parent parent;
  QWidget child(&parent);
  EXPECT_EQ(ui::sendToParent(&child, ui::kUmSliderChanged, 2, -7), 42);
  ASSERT_EQ(parent.received.size(), 1u);
  EXPECT_EQ(parent.received[0].message, 0x46Eu);
  EXPECT_EQ(parent.received[0].wParam, 2u);
  EXPECT_EQ(parent.received[0].lParam, -7);

  // A plain widget parent, no parent, a null child: nothing happens, 0.
  QWidget plain;
  QWidget orphanOfPlain(&plain);
  EXPECT_EQ(ui::sendToParent(&orphanOfPlain, ui::kUmSliderDrag, 0, 0), 0);
  QWidget lone;
  EXPECT_EQ(ui::sendToParent(&lone, ui::kUmSliderDrag, 0, 0), 0);
  EXPECT_EQ(ui::sendToParent(nullptr, ui::kUmSliderDrag, 0, 0), 0);
}

TEST_F(UiTest, ClickedCommandCarriesIdNotificationAndControl) {
  Parent parent;
  QWidget button(&parent);
  ui::sendClicked(&button, 1001);
  ASSERT_EQ(parent.received.size(), 1u);
  EXPECT_EQ(parent.received[0].message, ui::kWmCommand);
  EXPECT_EQ(ui::commandId(parent.received[0].wParam), 1001);
  EXPECT_EQ(ui::commandNotification(parent.received[0].wParam), ui::kBnClicked);
  EXPECT_EQ(parent.received[0].lParam, reinterpret_cast<std::intptr_t>(&button));
  // Ids use the low word only; a notification sits in the high word.
  EXPECT_EQ(ui::commandWParam(0xFFFF, 5), 0x0005FFFFu);
  EXPECT_EQ(ui::commandId(ui::commandWParam(65535, 1)), 65535);
}

TEST_F(UiTest, TimersTickByIdUntilStoppedAndRestartReplacesThePeriod) {
  std::vector<int> ticks;
  ui::WindowTimers timers([&](int id) { ticks.push_back(id); });
  EXPECT_FALSE(timers.isRunning(1));
  EXPECT_EQ(timers.interval(1), -1);
  EXPECT_FALSE(timers.start(0, 100));

  ASSERT_TRUE(timers.start(1, 20));
  ASSERT_TRUE(timers.start(201, 5000));
  EXPECT_EQ(timers.interval(1), 20);
  QElapsedTimer clock;
  clock.start();
  while (std::count(ticks.begin(), ticks.end(), 1) < 3 && clock.elapsed() < 5000) {
    QTest::qWait(5);
  }
  EXPECT_GE(std::count(ticks.begin(), ticks.end(), 1), 3);
  EXPECT_EQ(std::count(ticks.begin(), ticks.end(), 201), 0);

  // Starting a running id again keeps one timer with the new period.
  ASSERT_TRUE(timers.start(1, 500));
  EXPECT_EQ(timers.interval(1), 500);
  EXPECT_TRUE(timers.stop(1));
  EXPECT_FALSE(timers.stop(1));
  ticks.clear();
  QTest::qWait(60);
  EXPECT_TRUE(ticks.empty());
  EXPECT_TRUE(timers.isRunning(201));

  // Very short periods are raised to the shortest one kept.
  timers.start(7, 0);
  EXPECT_EQ(timers.interval(7), ui::WindowTimers::kMinimumIntervalMs);
}

TEST_F(UiTest, FireDeliversATickOfRunningTimersOnlyAndHandlerMayStopIt) {
  ui::WindowTimers* self = nullptr;
  std::vector<int> ticks;
  ui::WindowTimers timers([&](int id) {
    ticks.push_back(id);
    self->stop(id);
  });
  self = &timers;
  EXPECT_FALSE(timers.fire(1));
  timers.start(1, 60000);
  EXPECT_TRUE(timers.fire(1));
  EXPECT_EQ(ticks, std::vector<int>{1});
  EXPECT_FALSE(timers.isRunning(1));
}

TEST_F(UiTest, RecordingBoxesAnswerFromScriptThenFirstButtonAndRestoreTheService) {
  ui::MessageBoxService* before = &ui::messageBoxService();
  {
    ui::testing::RecordingMessageBoxes boxes;
    EXPECT_EQ(&ui::messageBoxService(), &boxes);
    boxes.answerWith(ui::kIdNo);
    QWidget owner;
    EXPECT_EQ(ui::messageBox(&owner, "Quit?", "Lumoset", ui::kMbYesNo), ui::kIdNo);
    EXPECT_EQ(ui::messageBox(nullptr, "Again?", "Lumoset", ui::kMbYesNo), ui::kIdYes);
    EXPECT_EQ(ui::messageBox(nullptr, "M\xC3\xA9moire", "Lumoset"), ui::kIdOk);
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_EQ(boxes.shown()[0].owner, &owner);
    EXPECT_EQ(boxes.shown()[0].text, "Quit?");
    EXPECT_EQ(boxes.shown()[0].caption, "Lumoset");
    EXPECT_EQ(boxes.shown()[2].text, "M\xC3\xA9moire");
    EXPECT_EQ(boxes.shown()[2].style, ui::kMbOk);
  }
  EXPECT_EQ(&ui::messageBoxService(), before);
  EXPECT_EQ(before, &ui::qtMessageBoxService());
}

} // namespace
