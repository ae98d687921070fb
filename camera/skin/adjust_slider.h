#pragma once
// One of the settings drawer's four picture sliders (hue, saturation,
// brightness, contrast): a groove with a thumb that is dragged up to 20
// pixels either side of the centre. The value is the thumb's offset from
// the centre halved, cut toward zero: -10 to 10.
//
// To the parent: 0x46F with 0 when a drag starts moving and with 1 when it
// ends, then 0x46E with (slider type, value); 0x470 relays every mouse move
// for the tooltips. A drag ends on release, or after the pointer rested (or
// left the slider) for 500 ms, which timer 1 watches.

#include <QImage>
#include <QRect>
#include <QWidget>

#include "platform/ui/window_message.h"
#include "platform/ui/window_timers.h"

namespace lumoset {

class AdjustSlider : public QWidget {
public:
  static constexpr int kHue = 0;
  static constexpr int kSaturation = 1;
  static constexpr int kBrightness = 2;
  static constexpr int kContrast = 3;

  static constexpr int kRestTimerId = 1;
  static constexpr int kRestMs = 500;
  static constexpr int kTravel = 20;        // pixels either side of the centre
  static constexpr int kThumbWidth = 23;
  static constexpr int kThumbHeight = 11;

  explicit AdjustSlider(int sliderType, QWidget* parent = nullptr);

  // Loads the groove of the slider's type and the thumb, and makes the
  // slider a hidden child of `parent` with its top-left at that of `rect`
  // and one pixel more than the groove each way. Missing art: message 10303
  // ("Memory Insufficient") and false.
  bool create(QWidget* parent, const QRect& rect);

  // Moves the thumb 2 x `value` pixels from where it stands; no range check
  // (a stored value beyond -10..10 puts it past the groove's end until the
  // next drag clamps it).
  void setPosition(int value);
  // Puts the thumb back at the centre and repaints at once.
  void centre();

  int sliderType() const { return type_; }
  int value() const { return (thumbX_ - originX_) / 2; }
  int thumbX() const { return thumbX_; }
  int thumbY() const { return thumbY_; }
  int originX() const { return originX_; }
  QRect thumbRect() const { return QRect(thumbX_, thumbY_, kThumbWidth, kThumbHeight); }
  bool isDragging() const { return dragging_; }
  const platform::ui::WindowTimers& timers() const { return timers_; }
  const platform::ui::WindowMessageRecord& mouseMoveRecord() const { return moveRecord_; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  void onTimer(int timerId);
  void finishDrag();

  int type_;
  QImage groove_;
  QImage thumb_;
  int thumbX_ = 0, thumbY_ = 0, originX_ = 0;
  bool moved_ = false;
  bool dragging_ = false;
  platform::ui::WindowMessageRecord moveRecord_;
  int lastMouseX_ = 0;
  bool firstMove_ = true;
  platform::ui::WindowTimers timers_;
  QPoint lastPoint_;
};

} // namespace lumoset
