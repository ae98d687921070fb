#include "camera/skin/skinned_button.h"

#include <QMouseEvent>

namespace lumoset {

void SkinnedButton::place(QWidget* parent, const QRect& rect, int controlId, bool visible) {
  setParent(parent);
  setControlId(controlId);
  setGeometry(rect);
  setMouseTracking(true);
  setVisible(visible);
}

void SkinnedButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !hitRegion_.contains(event->position().toPoint())) {
    event->accept();  // outside the outline: nothing happens
    return;
  }
  BitmapButton::mousePressEvent(event);
}

void SkinnedButton::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (hitRegion_.contains(point)) {
    moveRecord_ = platform::ui::WindowMessageRecord{this, platform::ui::kWmMouseMove, 0, 0, 0, point};
    platform::ui::sendToParent(this, platform::ui::kUmRelayTooltip,
                               reinterpret_cast<std::uintptr_t>(&moveRecord_), 0);
  }
  BitmapButton::mouseMoveEvent(event);
  event->accept();  // the button's own movement never reaches the window below
}

} // namespace lumoset
