#include "camera/skin/bitmap_button.h"

#include <QPainter>

#include "camera/resources/skin_resources.h"
#include "platform/ui/window_message.h"

namespace lumoset {

BitmapButton::BitmapButton(QWidget* parent) : QAbstractButton(parent) {
  // The bitmaps cover the whole button: nothing is erased first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  connect(this, &QAbstractButton::clicked, this,
          [this] { platform::ui::sendClicked(this, controlId_); });
}

bool BitmapButton::loadBitmaps(std::string_view up, std::string_view down,
                               std::string_view disabled) {
  QImage u = loadSkinBitmap(up);
  QImage d = loadSkinBitmap(down);
  QImage x;
  if (!disabled.empty()) {
    x = loadSkinBitmap(disabled);
    if (x.isNull()) return false;
  }
  if (u.isNull() || d.isNull()) return false;
  up_ = std::move(u);
  down_ = std::move(d);
  disabled_ = std::move(x);
  update();
  return true;
}

void BitmapButton::sizeToContent() {
  if (!up_.isNull()) resize(up_.size());
}

BitmapButton::Face BitmapButton::face() const {
  if (!isEnabled()) return disabled_.isNull() ? Face::Up : Face::Disabled;
  if (isDown()) return Face::Down;
  return Face::Up;
}

const QImage& BitmapButton::bitmap(Face which) const {
  switch (which) {
  case Face::Down: return down_;
  case Face::Disabled: return disabled_;
  case Face::Up: break;
  }
  return up_;
}

void BitmapButton::paintEvent(QPaintEvent*) {
  const QImage& image = bitmap(face());
  if (image.isNull()) return;
  QPainter p(this);
  p.drawImage(0, 0, image);
}

} // namespace lumoset
