#include "camera/skin/progress_strip.h"

#include <QPainter>
#include <algorithm>
#include <cstdint>

namespace lumoset {

ProgressStrip::ProgressStrip(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  resize(kWidth, kHeight);
}

bool ProgressStrip::create(QWidget* parent, const QRect& rect) {
  setParent(parent);
  setGeometry(rect);
  show();
  return true;
}

void ProgressStrip::setProgress(int position, int total) {
  position_ = position;
  total_ = total;
  repaint();
}

int ProgressStrip::doneWidth() const {
  if (total_ <= 0) return 0;
  const std::int64_t done = std::int64_t(position_) * width() / total_;
  return int(std::clamp<std::int64_t>(done, 0, width()));
}

void ProgressStrip::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int done = doneWidth();
  p.fillRect(QRect(0, 0, done, height()), kDone);
  p.fillRect(QRect(done, 0, width() - done, height()), kToDo);
}

} // namespace lumoset
