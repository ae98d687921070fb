#pragma once
// A stand-in for the main window in the skin tests: a shown 442 x 455
// top-level widget that writes down every numbered message its children
// send, and drives them with mouse events through its window, the way the
// window system delivers them.

#include <QPoint>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <vector>

#include "platform/ui/testing/test_application.h"
#include "platform/ui/window_message.h"

namespace lumoset::testing {

struct Message {
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  platform::ui::WindowMessageRecord relayed;  // copy of a 0x470 record
};

// Makes the application before the window's QWidget part is built.
struct WithApplication {
  WithApplication() { platform::ui::testing::testApplication(); }
};

class SkinTestWindow : private WithApplication,
                       public QWidget,
                       public platform::ui::MessageTarget {
public:
  SkinTestWindow() {
    resize(442, 455);
    show();
    (void)QTest::qWaitForWindowExposed(this);
  }

  std::intptr_t windowMessage(std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) override {
    Message m{message, wParam, lParam, {}};
    if (message == platform::ui::kUmRelayTooltip) m.relayed = *platform::ui::relayedRecord(wParam);
    messages.push_back(m);
    return 0;
  }

  std::vector<Message> ofKind(std::uint32_t message) const {
    std::vector<Message> out;
    for (const Message& m : messages)
      if (m.message == message) out.push_back(m);
    return out;
  }
  // Command ids of the clicked notifications received.
  std::vector<int> clicks() const {
    std::vector<int> ids;
    for (const Message& m : ofKind(platform::ui::kWmCommand))
      if (platform::ui::commandNotification(m.wParam) == platform::ui::kBnClicked)
        ids.push_back(platform::ui::commandId(m.wParam));
    return ids;
  }
  // Messages other than tooltip relays, in order.
  std::vector<Message> withoutRelays() const {
    std::vector<Message> out;
    for (const Message& m : messages)
      if (m.message != platform::ui::kUmRelayTooltip) out.push_back(m);
    return out;
  }

  // Mouse actions at a point in `child`'s own pixels.
  void press(QWidget* child, QPoint p) {
    QTest::mousePress(windowHandle(), Qt::LeftButton, {}, child->mapTo(this, p));
  }
  void release(QWidget* child, QPoint p) {
    QTest::mouseRelease(windowHandle(), Qt::LeftButton, {}, child->mapTo(this, p));
  }
  void move(QWidget* child, QPoint p) { QTest::mouseMove(windowHandle(), child->mapTo(this, p)); }
  void click(QWidget* child, QPoint p) {
    press(child, p);
    release(child, p);
  }

  std::vector<Message> messages;
};

} // namespace lumoset::testing
