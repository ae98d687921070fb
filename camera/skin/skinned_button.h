#pragma once
// What the main window's skinned buttons share: presses count only inside
// the button's outline (a press outside it is swallowed), a release
// anywhere over the rectangle completes a press that began inside, and
// mouse movement over the outline is handed to the parent for its tooltips
// (message 0x470 with the address of a mouse-move record).

#include <QRegion>

#include "camera/skin/bitmap_button.h"
#include "platform/ui/window_message.h"

namespace lumoset {

class SkinnedButton : public BitmapButton {
public:
  using BitmapButton::BitmapButton;

  const QRegion& hitRegion() const { return hitRegion_; }
  // The record the last tooltip relay pointed to.
  const platform::ui::WindowMessageRecord& mouseMoveRecord() const { return moveRecord_; }

protected:
  // Places the button as a child of `parent` at `rect` with `controlId`.
  void place(QWidget* parent, const QRect& rect, int controlId, bool visible);
  void setHitRegion(const QRegion& region) { hitRegion_ = region; }

  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

private:
  QRegion hitRegion_;
  platform::ui::WindowMessageRecord moveRecord_;
};

} // namespace lumoset
