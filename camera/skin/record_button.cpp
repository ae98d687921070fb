#include "camera/skin/record_button.h"

#include <QPaintEvent>
#include <QPainter>

#include "camera/core/string_table.h"
#include "camera/resources/skin_resources.h"
#include "camera/skin/creation_failure.h"
#include "camera/skin/hit_regions.h"

namespace lumoset {

RecordButton::RecordButton(QWidget* parent) : SkinnedButton(parent) {}

bool RecordButton::create(QWidget* parent, const QRect& rect, int controlId, bool visible) {
  place(parent, rect, controlId, visible);
  // The key's own faces (pressed and disabled come from here) and its
  // private copies for painting: all of them must load.
  if (!loadBitmaps("RECU", "RECD", "RECX")) {
    reportCreationFailure(parent, kStrMemoryInsufficient);
    return false;
  }
  sizeToContent();
  keyUp_ = loadSkinBitmap("RECU");
  keyGrey_ = loadSkinBitmap("RECX");
  lampYellow_ = loadSkinBitmap("REC_LITE_YEL");
  lampRed_ = loadSkinBitmap("REC_LITE_RED1");
  lampIdle_ = loadSkinBitmap("REC_LITE_NOR");
  lampGreen_ = loadSkinBitmap("REC_LITE_GRN");
  for (const QImage* image : {&keyUp_, &keyGrey_, &lampYellow_, &lampRed_, &lampIdle_, &lampGreen_}) {
    if (image->isNull()) {
      reportCreationFailure(parent, kStrMemoryInsufficient);
      return false;
    }
  }
  setHitRegion(recordButtonRegion());
  return true;
}

void RecordButton::setLook(int look) {
  if (look_ != look) {
    look_ = look;
    update();
  }
}

RecordButton::Lamp RecordButton::lamp() const {
  if (lightActive_ == 0) return Lamp::Idle;
  if (lightAlert_ != 0) return Lamp::Red;
  if (lightMode_ == 0) return Lamp::Red;
  if (lightMode_ == 1 || lightMode_ == 2) return Lamp::Green;
  return Lamp::None;
}

void RecordButton::redrawLight() {
  // In a mode without a lamp the lamp stays as it was last drawn.
  if (lamp() == Lamp::None) return;
  repaint(QRect(kLampX, kLampY, kLampSize, kLampSize));
}

void RecordButton::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.setClipRegion(event->region());
  // Pressed: the down key; disabled or in the grey look: the grey key.
  const QImage* key = &keyUp_;
  if (face() == Face::Down && !bitmap(Face::Down).isNull()) {
    key = &bitmap(Face::Down);
  } else if (look_ == 0 || !isEnabled()) {
    key = &keyGrey_;
  }
  if (!key->isNull()) p.drawImage(0, 0, *key);
  const QImage* light = nullptr;
  switch (lamp()) {
  case Lamp::Idle: light = &lampIdle_; break;
  case Lamp::Red: light = &lampRed_; break;
  case Lamp::Green: light = &lampGreen_; break;
  case Lamp::None: break;
  }
  if (light != nullptr && !light->isNull()) p.drawImage(kLampX, kLampY, *light);
}

} // namespace lumoset
