#pragma once
// The outlines inside which a skinned button takes presses, in the
// button's own pixels. Polygons are filled with the winding rule.

#include <QRegion>
#include <optional>

namespace lumoset {

// Shape types of ShapedButton.
inline constexpr int kShapeRectangle = 0;   // album switches, drawer keys
inline constexpr int kShapeRound = 1;       // zoom, view size, colour
inline constexpr int kShapeTriangleUp = 2;  // album scroll up
inline constexpr int kShapeTriangleDown = 3;
inline constexpr int kShapeStop = 4;
inline constexpr int kShapeTakePicture = 5;
inline constexpr int kShapePrint = 6;
inline constexpr int kShapeExit = 7;
inline constexpr int kShapeHelp = 8;

// The hit region of a ShapedButton of `shapeType` whose client area is
// `clientSize`; nothing for an unknown type.
std::optional<QRegion> shapedButtonRegion(int shapeType, QSize clientSize);

// The record button's own outline.
QRegion recordButtonRegion();

} // namespace lumoset
