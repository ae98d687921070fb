#pragma once
// Drawing tools shared by every piece of the skin art: the camera body's
// brushed metal, raised and pressed shapes lit from the top left, recessed
// wells, the status windows (dark teal glass with cyan marks) and lamps.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <cstdint>

namespace skingen {

// The palette of the product.
namespace tone {
inline const QColor bodyTop{78, 84, 93};
inline const QColor bodyBottom{40, 43, 49};
inline const QColor edgeLight{176, 186, 198};
inline const QColor edgeDark{14, 15, 18};
inline const QColor recess{22, 24, 28};
inline const QColor glassTop{6, 42, 48};
inline const QColor glassBottom{3, 24, 28};
inline const QColor glassMark{50, 255, 255};   // same cyan as the progress strip
inline const QColor glassDim{0, 89, 102};      // same teal as the progress strip
inline const QColor symbol{232, 238, 244};
inline const QColor symbolDisabled{104, 110, 118};
inline const QColor recordRed{226, 40, 34};
inline const QColor engraveDark{18, 20, 24};
inline const QColor engraveLight{120, 128, 138};
} // namespace tone

enum class Look { Up, Down, Disabled };

// Deterministic pseudo-random numbers so every build draws the same pixels.
class Noise {
public:
  explicit Noise(std::uint32_t seed) : state_(seed * 2654435761u + 1u) {}
  int next(int range);  // 0 .. range-1
private:
  std::uint32_t state_;
};

QImage blank(int width, int height, QColor fill = Qt::transparent);

// Brushed metal: a vertical gradient with fine horizontal streaks.
void brushedMetal(QImage& image, const QRect& area, QColor top, QColor bottom,
                  std::uint32_t seed, int streak = 5);
void brushedMetal(QImage& image, const QPainterPath& area, QColor top, QColor bottom,
                  std::uint32_t seed, int streak = 5);

// A bevel inside the outline of `shape`: edges facing the top left lit, the
// others in shade. `depth` pixels wide; `inverted` for pressed / recessed.
void bevel(QPainter& p, const QPolygonF& shape, double depth, bool inverted,
           QColor light = tone::edgeLight, QColor dark = tone::edgeDark, int alpha = 255);

// A raised metal key in `shape` in the given look.
void raisedKey(QImage& image, const QPolygonF& shape, Look look, QColor top, QColor bottom,
               std::uint32_t seed);

// A recess cut into the body around `shape` (grown by `margin`).
void well(QPainter& p, const QPolygonF& shape, double margin);

// Dark glass status window with a thin bezel.
void glassWindow(QPainter& p, const QRectF& rect, double radius = 2.0);

// A lamp lens `rect` in `color` (lit) or dark.
void lamp(QPainter& p, const QRectF& rect, QColor color, bool lit);

// Text cut into the metal (shadow top left, light bottom right).
void engravedText(QPainter& p, const QRectF& rect, const QString& text, const QFont& font,
                  int flags = Qt::AlignCenter);

QFont sans(double pixelSize, bool bold = false);

QPolygonF polygon(std::initializer_list<QPointF> points);
QPolygonF rectPolygon(const QRectF& r);
QPolygonF ellipsePolygon(const QRectF& r, int steps = 48);
QPolygonF translated(const QPolygonF& shape, double dx, double dy);
QPolygonF grown(const QPolygonF& shape, double by);

} // namespace skingen
