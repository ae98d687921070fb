#include "camera/skin/hit_regions.h"

#include <QPolygon>
#include <QRect>
#include <initializer_list>

namespace lumoset {
namespace {

QRegion polygonRegion(std::initializer_list<QPoint> points) {
  return QRegion(QPolygon(QList<QPoint>(points)), Qt::WindingFill);
}

} // namespace

std::optional<QRegion> shapedButtonRegion(int shapeType, QSize clientSize) {
  switch (shapeType) {
  case kShapeRectangle:
    return QRegion(QRect(QPoint(0, 0), clientSize));
  case kShapeRound:
    // The ellipse in the box (2,2)-(15,15), right and bottom edges excluded.
    return QRegion(QRect(2, 2, 13, 13), QRegion::Ellipse);
  case kShapeTriangleUp:
    return polygonRegion({{2, 13}, {10, 1}, {17, 13}});
  case kShapeTriangleDown:
    return polygonRegion({{2, 1}, {17, 1}, {10, 14}});
  case kShapeStop:
    return polygonRegion({{1, 2}, {52, 1}, {52, 27}, {30, 24}, {5, 14}});
  case kShapeTakePicture:
    return polygonRegion({{0, 19}, {54, 2}, {54, 36}, {0, 53}});
  case kShapePrint:
    return polygonRegion({{0, 14}, {38, 0}, {43, 6}, {41, 19}, {22, 36}, {0, 49}});
  case kShapeExit:
    return polygonRegion({{1, 6}, {8, 1}, {43, 6}, {65, 14}, {71, 21}, {62, 23}, {23, 23}, {7, 17}});
  case kShapeHelp:
    return polygonRegion({{1, 13}, {8, 6}, {28, 0}, {35, 2}, {33, 11}, {19, 15}});
  default:
    return std::nullopt;
  }
}

QRegion recordButtonRegion() {
  return polygonRegion({{0, 11}, {29, 8}, {62, 1}, {62, 35}, {0, 39}});
}

} // namespace lumoset
