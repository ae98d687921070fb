#pragma once
// Numbered window messages between child controls and the window that owns
// them. The numbers are a contract with code that was written against them
// (parents switch on them), so they stay numbers instead of Qt signals.

#include <cstdint>

#include <QPoint>

class QObject;
class QWidget;

namespace platform::ui {

// Standard messages.
inline constexpr std::uint32_t kWmCommand = 0x0111;
inline constexpr std::uint32_t kWmMouseMove = 0x0200;
inline constexpr std::uint32_t kWmUser = 0x0400;

// Notification code of a push button's command message: clicked.
inline constexpr int kBnClicked = 0;

// Private messages a skinned control sends to its parent.
// wParam slider type (0 hue, 1 saturation, 2 brightness, 3 contrast), lParam value.
inline constexpr std::uint32_t kUmSliderChanged = 0x046E;
// wParam 0 = a drag (or pop-up) begins: pause; 1 = it ended: resume. lParam 0.
inline constexpr std::uint32_t kUmSliderDrag = 0x046F;
// wParam = address of a WindowMessageRecord holding a mouse message, lParam 0.
inline constexpr std::uint32_t kUmRelayTooltip = 0x0470;

// One window message as a record, the form in which a control hands a mouse
// message to its parent's tooltip control.
struct WindowMessageRecord {
  QWidget* window = nullptr;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  std::uint32_t time = 0;
  QPoint point;  // in the window's client coordinates
};

// A window that takes numbered messages. A parent widget implements it to
// hear its skinned children.
class MessageTarget {
public:
  virtual ~MessageTarget() = default;
  virtual std::intptr_t windowMessage(std::uint32_t message, std::uintptr_t wParam,
                                      std::intptr_t lParam) = 0;
};

// Delivers a message synchronously to `target` when it is a MessageTarget.
// Returns the target's answer, 0 when there is no target or it takes none.
std::intptr_t sendMessage(QObject* target, std::uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam);

// The same, to the parent widget of `child`.
std::intptr_t sendToParent(QWidget* child, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam);

// Command message parts: wParam holds the control id in its low 16 bits and
// the notification code in its high 16 bits; lParam is the control.
constexpr std::uintptr_t commandWParam(int controlId, int notification) {
  return (static_cast<std::uintptr_t>(static_cast<std::uint16_t>(notification)) << 16) |
         static_cast<std::uint16_t>(controlId);
}
constexpr int commandId(std::uintptr_t wParam) { return static_cast<int>(wParam & 0xFFFF); }
constexpr int commandNotification(std::uintptr_t wParam) {
  return static_cast<int>((wParam >> 16) & 0xFFFF);
}

// Sends the clicked command of control `controlId` to the parent of `control`.
void sendClicked(QWidget* control, int controlId);

// The record a tooltip relay points to.
inline const WindowMessageRecord* relayedRecord(std::uintptr_t wParam) {
  return reinterpret_cast<const WindowMessageRecord*>(wParam);
}

} // namespace platform::ui
