#include "camera/skin/shaped_button.h"

#include "camera/core/string_table.h"
#include "camera/skin/creation_failure.h"
#include "camera/skin/hit_regions.h"

namespace lumoset {

ShapedButton::ShapedButton(int shapeType, QWidget* parent)
    : SkinnedButton(parent), shapeType_(shapeType) {}

bool ShapedButton::create(QWidget* parent, const QRect& rect, int controlId, bool visible) {
  place(parent, rect, controlId, visible);
  const std::optional<QRegion> region = shapedButtonRegion(shapeType_, rect.size());
  if (!region) {
    reportCreationFailure(parent, kStrErrorToCreateLumoset);
    return false;
  }
  setHitRegion(*region);
  return true;
}

} // namespace lumoset
