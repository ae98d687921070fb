#pragma once
// The record key: a skinned button with its own outline that also carries
// the record lamp, a 4 x 4 light at (5, 24). The main window sets the lamp
// state (mode, active, alert) and the look (1 the normal key, 0 the grey
// key while the camera is busy) and asks for the lamp to be redrawn.

#include <QImage>
#include <QRect>

#include "camera/skin/skinned_button.h"

namespace lumoset {

class RecordButton : public SkinnedButton {
public:
  enum class Lamp { Idle, Red, Green, None };

  static constexpr int kLampX = 5;
  static constexpr int kLampY = 24;
  static constexpr int kLampSize = 4;

  explicit RecordButton(QWidget* parent = nullptr);

  // Makes the button a child of `parent` at `rect`, loads its faces (RECU,
  // RECD, RECX, sized to RECU), its lamp bitmaps and builds its outline. Missing bitmaps: message 10303
  // ("Memory Insufficient") and false.
  bool create(QWidget* parent, const QRect& rect, int controlId, bool visible);

  void setLightMode(int mode) { lightMode_ = mode; }
  void setLightActive(int active) { lightActive_ = active; }
  void setLightAlert(int alert) { lightAlert_ = alert; }
  void setLook(int look);
  int lightMode() const { return lightMode_; }
  int lightActive() const { return lightActive_; }
  int lightAlert() const { return lightAlert_; }
  int look() const { return look_; }

  // Draws the lamp at once, nothing else (nothing in a mode without a lamp).
  void redrawLight();

  // The lamp the current state lights: idle when not active; red on an
  // alert or in mode 0; green in modes 1 and 2; none (left as drawn) in any
  // other mode.
  Lamp lamp() const;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QImage keyUp_, keyGrey_;
  QImage lampYellow_, lampRed_, lampIdle_, lampGreen_;
  int lightMode_ = 0;
  int lightActive_ = 0;
  int lightAlert_ = 0;
  int look_ = 1;
};

} // namespace lumoset
