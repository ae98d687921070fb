#pragma once
// A skinned push button whose outline is one of nine shapes: the whole
// rectangle, a circle, two triangles or one of the polygons that follow
// the painted stop, take-picture, print, exit and help keys.

#include <QRect>

#include "camera/skin/skinned_button.h"

namespace lumoset {

class ShapedButton : public SkinnedButton {
public:
  explicit ShapedButton(int shapeType, QWidget* parent = nullptr);

  // Makes the button a child of `parent` at `rect` and builds its outline.
  // A shape type without an outline fails: message 10314 ("Error
  // to create Lumoset!") is shown and false returned.
  bool create(QWidget* parent, const QRect& rect, int controlId, bool visible);

  int shapeType() const { return shapeType_; }

private:
  int shapeType_;
};

} // namespace lumoset
