#include "camera/skin/adjust_slider.h"

#include <QMouseEvent>
#include <QPainter>

#include "camera/core/string_table.h"
#include "camera/resources/skin_resources.h"
#include "camera/skin/creation_failure.h"

namespace lumoset {
namespace {

const char* grooveName(int type) {
  switch (type) {
  case AdjustSlider::kHue: return "HUE_GRV";
  case AdjustSlider::kSaturation: return "SAT_GRV";
  case AdjustSlider::kBrightness: return "BRT_GRV";
  case AdjustSlider::kContrast: return "CNT_GRV";
  default: return nullptr;
  }
}

} // namespace

AdjustSlider::AdjustSlider(int sliderType, QWidget* parent)
    : QWidget(parent), type_(sliderType), timers_([this](int id) { onTimer(id); }, this) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
}

bool AdjustSlider::create(QWidget* parent, const QRect& rect) {
  setParent(parent);
  hide();
  const char* name = grooveName(type_);
  groove_ = name != nullptr ? loadSkinBitmap(name) : QImage();
  thumb_ = loadSkinIconImage(kThumbIcon);
  if (groove_.isNull() || thumb_.isNull()) {
    reportCreationFailure(parent, kStrMemoryInsufficient);
    return false;
  }
  const int width = groove_.width() + 1;
  const int height = groove_.height() + 1;
  setGeometry(rect.left(), rect.top(), width, height);
  thumbX_ = (width - kThumbWidth) / 2;
  thumbY_ = (height - kThumbHeight) / 2;
  originX_ = lastMouseX_ = thumbX_;
  return true;
}

void AdjustSlider::setPosition(int value) {
  thumbX_ += 2 * value;
  update();
}

void AdjustSlider::centre() {
  thumbX_ = originX_;
  repaint();
}

void AdjustSlider::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!groove_.isNull()) {
    // The groove over the whole control; its last column and row carry on
    // into the extra pixel.
    p.drawImage(0, 0, groove_);
    p.drawImage(QRect(groove_.width(), 0, 1, groove_.height()), groove_,
                QRect(groove_.width() - 1, 0, 1, groove_.height()));
    p.drawImage(QRect(0, groove_.height(), width(), 1), groove_,
                QRect(0, groove_.height() - 1, groove_.width(), 1));
  }
  if (!thumb_.isNull()) p.drawImage(thumbX_, thumbY_, thumb_);
}

void AdjustSlider::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  const QPoint point = event->position().toPoint();
  if (thumbRect().contains(point)) {
    dragging_ = true;
    lastMouseX_ = point.x();
  }
}

void AdjustSlider::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  const QPoint point = event->position().toPoint();
  // The slider does not hold the mouse: while the pointer is off the
  // slider it hears nothing, and the rest timer ends the drag.
  if (!rect().contains(point)) return;

  moveRecord_ = platform::ui::WindowMessageRecord{this, platform::ui::kWmMouseMove, 0, 0, 0, point};
  platform::ui::sendToParent(this, platform::ui::kUmRelayTooltip,
                             reinterpret_cast<std::uintptr_t>(&moveRecord_), 0);
  if (!dragging_) return;

  if (firstMove_) {
    firstMove_ = false;
    platform::ui::sendToParent(this, platform::ui::kUmSliderDrag, 0, 0);
  }
  timers_.start(kRestTimerId, kRestMs);
  lastPoint_ = point;
  thumbX_ += point.x() - lastMouseX_;
  lastMouseX_ = point.x();
  if (thumbX_ > originX_ + kTravel) {
    thumbX_ = originX_ + kTravel;
  } else if (thumbX_ < originX_ - kTravel) {
    thumbX_ = originX_ - kTravel;
  }
  repaint();
  moved_ = true;
}

void AdjustSlider::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  if (moved_) {
    finishDrag();
  } else {
    // A press and release without movement ends the drag quietly.
    dragging_ = false;
  }
}

void AdjustSlider::onTimer(int timerId) {
  if (timerId != kRestTimerId) return;
  timers_.stop(kRestTimerId);
  if (moved_) finishDrag();
}

void AdjustSlider::finishDrag() {
  dragging_ = false;
  timers_.stop(kRestTimerId);
  firstMove_ = true;
  platform::ui::sendToParent(this, platform::ui::kUmSliderDrag, 1, 0);
  moved_ = false;
  platform::ui::sendToParent(this, platform::ui::kUmSliderChanged,
                             static_cast<std::uintptr_t>(type_), value());
}

} // namespace lumoset
