#include "platform/ui/window_message.h"

#include <QWidget>

namespace platform::ui {

std::intptr_t sendMessage(QObject* target, std::uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam) {
  auto* receiver = dynamic_cast<MessageTarget*>(target);
  if (receiver == nullptr) {
    return 0;
  }
  return receiver->windowMessage(message, wParam, lParam);
}

std::intptr_t sendToParent(QWidget* child, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) {
  if (child == nullptr) {
    return 0;
  }
  return sendMessage(child->parentWidget(), message, wParam, lParam);
}

void sendClicked(QWidget* control, int controlId) {
  sendToParent(control, kWmCommand, commandWParam(controlId, kBnClicked),
               reinterpret_cast<std::intptr_t>(control));
}

} // namespace platform::ui
