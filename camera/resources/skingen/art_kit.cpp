#include "art_kit.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace skingen {

int Noise::next(int range) {
  state_ = state_ * 1664525u + 1013904223u;
  return range <= 0 ? 0 : static_cast<int>((state_ >> 8) % static_cast<std::uint32_t>(range));
}

QImage blank(int width, int height, QColor fill) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(fill);
  return image;
}

static QColor mix(QColor a, QColor b, double t) {
  return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                          float(a.greenF() + (b.greenF() - a.greenF()) * t),
                          float(a.blueF() + (b.blueF() - a.blueF()) * t),
                          float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

void brushedMetal(QImage& image, const QPainterPath& area, QColor top, QColor bottom,
                  std::uint32_t seed, int streak) {
  const QRect box = area.boundingRect().toAlignedRect().intersected(image.rect());
  if (box.isEmpty()) {
    return;
  }
  QImage metal = blank(box.width(), box.height());
  Noise noise(seed);
  // Streaks: each row gets its own shade, drifting along the row.
  for (int y = 0; y < box.height(); ++y) {
    const double t = box.height() > 1 ? double(y) / (box.height() - 1) : 0.0;
    const QColor base = mix(top, bottom, t);
    int drift = noise.next(2 * streak + 1) - streak;
    auto* line = reinterpret_cast<QRgb*>(metal.scanLine(y));
    for (int x = 0; x < box.width(); ++x) {
      if (noise.next(9) == 0) {
        drift = std::clamp(drift + noise.next(3) - 1, -streak, streak);
      }
      const int fine = noise.next(3) - 1;
      const int d = drift + fine;
      line[x] = qRgb(std::clamp(base.red() + d, 0, 255), std::clamp(base.green() + d, 0, 255),
                     std::clamp(base.blue() + d + (d > 0 ? 1 : 0), 0, 255));
    }
  }
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setClipPath(area);
  p.drawImage(box.topLeft(), metal);
}

void brushedMetal(QImage& image, const QRect& area, QColor top, QColor bottom,
                  std::uint32_t seed, int streak) {
  QPainterPath path;
  path.addRect(area);
  brushedMetal(image, path, top, bottom, seed, streak);
}

void bevel(QPainter& p, const QPolygonF& shape, double depth, bool inverted, QColor light,
           QColor dark, int alpha) {
  if (shape.size() < 3) {
    return;
  }
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath clip;
  clip.addPolygon(shape);
  clip.closeSubpath();
  p.setClipPath(clip, Qt::IntersectClip);
  // Orientation of the outline decides which side of an edge is outside.
  double area2 = 0;
  for (int i = 0; i < shape.size(); ++i) {
    const QPointF a = shape[i];
    const QPointF b = shape[(i + 1) % shape.size()];
    area2 += a.x() * b.y() - b.x() * a.y();
  }
  const double sign = area2 > 0 ? 1.0 : -1.0;  // y grows downwards
  for (int i = 0; i < shape.size(); ++i) {
    const QPointF a = shape[i];
    const QPointF b = shape[(i + 1) % shape.size()];
    const QPointF d = b - a;
    const double len = std::hypot(d.x(), d.y());
    if (len < 0.01) {
      continue;
    }
    // Outward normal.
    QPointF n(d.y() / len, -d.x() / len);
    n *= -sign;
    // Light comes from the top left: (-1, -1).
    const double facing = (-n.x() - n.y()) / std::sqrt(2.0);
    const double k = std::clamp(std::abs(facing) * 1.3, 0.35, 1.0);
    QColor c = (facing > 0) != inverted ? light : dark;
    c.setAlpha(int(alpha * k));
    p.setPen(QPen(c, depth * 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(a, b);
  }
  p.restore();
}

void raisedKey(QImage& image, const QPolygonF& shape, Look look, QColor top, QColor bottom,
               std::uint32_t seed) {
  QPainterPath path;
  path.addPolygon(shape);
  path.closeSubpath();
  QColor t = top, b = bottom;
  if (look == Look::Down) {
    t = top.darker(140);
    b = bottom.darker(112);
    std::swap(t, b);
  } else if (look == Look::Disabled) {
    const int g1 = qGray(top.rgb()), g2 = qGray(bottom.rgb());
    t = QColor(g1, g1, std::min(255, g1 + 2)).darker(130);
    b = QColor(g2, g2, std::min(255, g2 + 2)).darker(118);
  }
  brushedMetal(image, path, t, b, seed, 3);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // A soft sheen from the light.
  const QRectF box = shape.boundingRect();
  QRadialGradient sheen(box.topLeft() + QPointF(box.width() * 0.3, box.height() * 0.25),
                        std::max(box.width(), box.height()) * 0.8);
  sheen.setColorAt(0, QColor(255, 255, 255, look == Look::Up ? 46 : 10));
  sheen.setColorAt(1, QColor(255, 255, 255, 0));
  p.save();
  p.setClipPath(path);
  p.fillRect(box, sheen);
  p.restore();
  const int alpha = look == Look::Disabled ? 130 : 235;
  bevel(p, shape, 1.0, look == Look::Down, tone::edgeLight, tone::edgeDark, alpha);
  // Outline.
  p.setPen(QPen(QColor(8, 9, 11, 210), 0.8));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

void well(QPainter& p, const QPolygonF& shape, double margin) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const QPolygonF outer = grown(shape, margin);
  QPainterPath path;
  path.addPolygon(outer);
  path.closeSubpath();
  p.fillPath(path, QColor(tone::recess.red(), tone::recess.green(), tone::recess.blue(), 215));
  bevel(p, outer, 0.9, true, tone::edgeLight, tone::edgeDark, 200);
  p.restore();
}

void glassWindow(QPainter& p, const QRectF& rect, double radius) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(rect.topLeft(), rect.bottomLeft());
  g.setColorAt(0, tone::glassTop);
  g.setColorAt(1, tone::glassBottom);
  QPainterPath path;
  path.addRoundedRect(rect, radius, radius);
  p.fillPath(path, g);
  // Reflection across the upper part.
  QLinearGradient shine(rect.topLeft(), rect.bottomRight());
  shine.setColorAt(0, QColor(255, 255, 255, 34));
  shine.setColorAt(0.45, QColor(255, 255, 255, 8));
  shine.setColorAt(0.46, QColor(255, 255, 255, 0));
  p.fillPath(path, shine);
  p.setPen(QPen(QColor(0, 0, 0, 220), 1));
  p.drawPath(path);
  p.restore();
}

void lamp(QPainter& p, const QRectF& rect, QColor color, bool lit) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  QColor body = lit ? color : QColor(color.red() / 5 + 14, color.green() / 5 + 14,
                                     color.blue() / 5 + 16);
  p.fillRect(rect, body);
  if (lit) {
    // A hot centre and a highlight at the top left.
    QColor hot = color.lighter(150);
    const QRectF core = rect.adjusted(rect.width() / 4.0, rect.height() / 4.0,
                                      -rect.width() / 4.0, -rect.height() / 4.0);
    p.fillRect(core, hot);
    p.fillRect(QRectF(rect.topLeft(), QSizeF(1, 1)), QColor(255, 255, 255, 220));
  } else {
    p.fillRect(QRectF(rect.topLeft(), QSizeF(1, 1)), QColor(110, 116, 124));
  }
  p.restore();
}

void engravedText(QPainter& p, const QRectF& rect, const QString& text, const QFont& font,
                  int flags) {
  p.save();
  p.setFont(font);
  p.setPen(tone::engraveLight);
  p.drawText(rect.translated(0.7, 0.8), flags, text);
  p.setPen(tone::engraveDark);
  p.drawText(rect, flags, text);
  p.restore();
}

QFont sans(double pixelSize, bool bold) {
  QFont f(QStringLiteral("Liberation Sans"));
  f.setPixelSize(int(std::lround(pixelSize)));
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

QPolygonF polygon(std::initializer_list<QPointF> points) { return QPolygonF(QList<QPointF>(points)); }

QPolygonF rectPolygon(const QRectF& r) {
  return polygon({r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()});
}

QPolygonF ellipsePolygon(const QRectF& r, int steps) {
  QPolygonF out;
  for (int i = 0; i < steps; ++i) {
    const double a = 2 * M_PI * i / steps;
    out << QPointF(r.center().x() + std::cos(a) * r.width() / 2,
                   r.center().y() + std::sin(a) * r.height() / 2);
  }
  return out;
}

QPolygonF translated(const QPolygonF& shape, double dx, double dy) {
  return shape.translated(dx, dy);
}

QPolygonF grown(const QPolygonF& shape, double by) {
  if (by == 0 || shape.size() < 3) {
    return shape;
  }
  // Grow by pushing each vertex away from the centroid proportionally to
  // the extent: good enough for the convex-ish outlines of the keys.
  QPointF c(0, 0);
  for (const QPointF& v : shape) c += v;
  c /= shape.size();
  QPolygonF out;
  for (const QPointF& v : shape) {
    QPointF d = v - c;
    const double len = std::hypot(d.x(), d.y());
    out << (len < 0.01 ? v : v + d / len * by);
  }
  return out;
}

} // namespace skingen
