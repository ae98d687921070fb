#include "symbols.h"

#include <QConicalGradient>
#include <QPainterPath>
#include <cmath>

namespace skingen::symbol {
namespace {

QPen pen(QColor c, double w) { return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

void prepare(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(Qt::NoBrush);
}

} // namespace

void magnifier(QPainter& p, const QRectF& b, QColor c, bool plus) {
  p.save();
  prepare(p);
  const double s = std::min(b.width(), b.height());
  const QRectF lens(b.left() + s * 0.08, b.top() + s * 0.08, s * 0.58, s * 0.58);
  p.setPen(pen(c, std::max(1.0, s * 0.11)));
  p.drawEllipse(lens);
  p.setPen(pen(c, std::max(1.4, s * 0.16)));
  p.drawLine(QPointF(lens.right() - s * 0.06, lens.bottom() - s * 0.06),
             QPointF(b.left() + s * 0.92, b.top() + s * 0.92));
  const QPointF m = lens.center();
  const double r = lens.width() * 0.24;
  p.setPen(pen(c, std::max(1.0, s * 0.09)));
  p.drawLine(m - QPointF(r, 0), m + QPointF(r, 0));
  if (plus) p.drawLine(m - QPointF(0, r), m + QPointF(0, r));
  p.restore();
}

void viewFrame(QPainter& p, const QRectF& b, QColor c, bool large) {
  p.save();
  prepare(p);
  p.setPen(pen(c, 1.0));
  const QRectF outer = b.adjusted(0.5, 0.5, -0.5, -0.5);
  if (large) {
    p.fillRect(outer.adjusted(2, 2, -2, -2), QColor(c.red(), c.green(), c.blue(), 200));
    p.drawRect(outer);
  } else {
    QColor dim = c;
    dim.setAlpha(110);
    p.setPen(pen(dim, 1.0));
    p.drawRect(outer);
    const QRectF inner(outer.center().x() - outer.width() / 4, outer.center().y() - outer.height() / 4,
                       outer.width() / 2, outer.height() / 2);
    p.fillRect(inner, c);
  }
  p.restore();
}

void colourWheel(QPainter& p, const QRectF& b, QColor c, bool colour) {
  p.save();
  prepare(p);
  const double s = std::min(b.width(), b.height());
  const QRectF circle(b.center().x() - s / 2, b.center().y() - s / 2, s, s);
  if (colour) {
    QConicalGradient g(circle.center(), 90);
    g.setColorAt(0.0, QColor(255, 60, 60));
    g.setColorAt(0.33, QColor(60, 230, 80));
    g.setColorAt(0.66, QColor(60, 120, 255));
    g.setColorAt(1.0, QColor(255, 60, 60));
    p.setBrush(g);
  } else {
    QLinearGradient g(circle.topLeft(), circle.bottomRight());
    g.setColorAt(0, QColor(235, 235, 235));
    g.setColorAt(1, QColor(40, 40, 40));
    p.setBrush(g);
  }
  p.setPen(pen(c, 0.8));
  p.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
  p.restore();
}

void power(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  const double s = std::min(b.width(), b.height());
  const QRectF ring(b.center().x() - s * 0.4, b.center().y() - s * 0.36, s * 0.8, s * 0.8);
  p.setPen(pen(c, std::max(1.4, s * 0.14)));
  p.drawArc(ring, (90 + 40) * 16, (360 - 80) * 16);
  p.drawLine(QPointF(b.center().x(), b.center().y() - s * 0.5),
             QPointF(b.center().x(), b.center().y() + s * 0.02));
  p.restore();
}

void stopSquare(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  const double s = std::min(b.width(), b.height());
  const QRectF sq(b.center().x() - s / 2, b.center().y() - s / 2, s, s);
  QPainterPath path;
  path.addRoundedRect(sq, s * 0.12, s * 0.12);
  p.fillPath(path, c);
  p.restore();
}

void recordDot(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  const double s = std::min(b.width(), b.height());
  const QRectF dot(b.center().x() - s / 2, b.center().y() - s / 2, s, s);
  QRadialGradient g(dot.center() - QPointF(s * 0.18, s * 0.18), s * 0.7);
  g.setColorAt(0, c.lighter(160));
  g.setColorAt(0.6, c);
  g.setColorAt(1, c.darker(170));
  p.setBrush(g);
  p.setPen(pen(QColor(40, 0, 0, 200), 0.8));
  p.drawEllipse(dot);
  p.restore();
}

void camera(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  const double w = b.width(), h = b.height();
  QPainterPath body;
  body.addRoundedRect(QRectF(b.left(), b.top() + h * 0.22, w, h * 0.78), w * 0.1, w * 0.1);
  QPainterPath hump;
  hump.addRoundedRect(QRectF(b.left() + w * 0.3, b.top(), w * 0.4, h * 0.3), w * 0.05, w * 0.05);
  QPainterPath lens;
  const QPointF lc(b.center().x(), b.top() + h * 0.6);
  lens.addEllipse(lc, w * 0.24, w * 0.24);
  QPainterPath outline = body.united(hump).subtracted(lens);
  p.fillPath(outline, c);
  QPainterPath inner;
  inner.addEllipse(lc, w * 0.13, w * 0.13);
  p.fillPath(inner, c);
  p.restore();
}

void printer(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  const double w = b.width(), h = b.height();
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  // Paper in, body, paper out.
  p.drawRect(QRectF(b.left() + w * 0.22, b.top(), w * 0.56, h * 0.3));
  QPainterPath body;
  body.addRoundedRect(QRectF(b.left(), b.top() + h * 0.26, w, h * 0.44), w * 0.08, w * 0.08);
  QPainterPath slot;
  slot.addRect(QRectF(b.left() + w * 0.16, b.top() + h * 0.56, w * 0.68, h * 0.08));
  p.drawPath(body.subtracted(slot));
  p.drawRect(QRectF(b.left() + w * 0.22, b.top() + h * 0.64, w * 0.56, h * 0.36));
  p.restore();
}

void question(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  QFont f(QStringLiteral("Liberation Sans"));
  f.setPixelSize(int(std::lround(b.height() * 1.1)));
  f.setBold(true);
  p.setFont(f);
  p.setPen(c);
  p.drawText(b, Qt::AlignCenter, QStringLiteral("?"));
  p.restore();
}

void arrow(QPainter& p, const QRectF& b, QColor c, int dx, int dy) {
  p.save();
  prepare(p);
  QPolygonF t;
  const QPointF m = b.center();
  const double hw = b.width() / 2, hh = b.height() / 2;
  if (dx > 0) t << QPointF(m.x() + hw, m.y()) << QPointF(m.x() - hw, m.y() - hh) << QPointF(m.x() - hw, m.y() + hh);
  else if (dx < 0) t << QPointF(m.x() - hw, m.y()) << QPointF(m.x() + hw, m.y() - hh) << QPointF(m.x() + hw, m.y() + hh);
  else if (dy < 0) t << QPointF(m.x(), m.y() - hh) << QPointF(m.x() + hw, m.y() + hh) << QPointF(m.x() - hw, m.y() + hh);
  else t << QPointF(m.x(), m.y() + hh) << QPointF(m.x() + hw, m.y() - hh) << QPointF(m.x() - hw, m.y() - hh);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawPolygon(t);
  p.restore();
}

void chevron(QPainter& p, const QRectF& b, QColor c, int dy) {
  p.save();
  prepare(p);
  p.setPen(pen(c, 1.5));
  const double y0 = dy < 0 ? b.bottom() : b.top();
  const double y1 = dy < 0 ? b.top() : b.bottom();
  p.drawPolyline(QPolygonF() << QPointF(b.left(), y0) << QPointF(b.center().x(), y1)
                             << QPointF(b.right(), y0));
  p.restore();
}

void qualityGrid(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  const double s = std::min(b.width(), b.height());
  const double cell = s / 2 - 0.5;
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j)
      p.fillRect(QRectF(b.left() + i * (cell + 1), b.top() + j * (cell + 1), cell, cell), c);
  p.restore();
}

void sun(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  const double s = std::min(b.width(), b.height());
  const QPointF m = b.center();
  p.setBrush(c);
  p.setPen(Qt::NoPen);
  p.drawEllipse(m, s * 0.22, s * 0.22);
  p.setPen(pen(c, std::max(1.0, s * 0.1)));
  for (int i = 0; i < 8; ++i) {
    const double a = i * M_PI / 4;
    p.drawLine(m + QPointF(std::cos(a), std::sin(a)) * s * 0.36,
               m + QPointF(std::cos(a), std::sin(a)) * s * 0.5);
  }
  p.restore();
}

void resetArrow(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  const double s = std::min(b.width(), b.height());
  const QRectF ring(b.center().x() - s * 0.38, b.center().y() - s * 0.38, s * 0.76, s * 0.76);
  p.setPen(pen(c, std::max(1.2, s * 0.13)));
  p.drawArc(ring, 100 * 16, 280 * 16);
  // Arrow head at the start of the arc (top).
  const QPointF tip(ring.center().x() - s * 0.08, ring.top());
  QPolygonF head;
  head << tip + QPointF(-s * 0.18, 0) << tip + QPointF(s * 0.12, -s * 0.2)
       << tip + QPointF(s * 0.12, s * 0.2);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawPolygon(head);
  p.restore();
}

void sliders(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  const double h = b.height();
  const double knobs[3] = {0.3, 0.7, 0.45};
  for (int i = 0; i < 3; ++i) {
    const double y = b.top() + h * (0.17 + 0.33 * i);
    p.setPen(pen(c, 1.0));
    p.drawLine(QPointF(b.left(), y), QPointF(b.right(), y));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRect(QRectF(b.left() + b.width() * knobs[i] - 1.5, y - 2, 3, 4));
  }
  p.restore();
}

void trash(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  const double w = b.width(), h = b.height();
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawRect(QRectF(b.left(), b.top() + h * 0.12, w, h * 0.1));
  p.drawRect(QRectF(b.left() + w * 0.35, b.top(), w * 0.3, h * 0.14));
  QPolygonF can;
  can << QPointF(b.left() + w * 0.1, b.top() + h * 0.28) << QPointF(b.right() - w * 0.1, b.top() + h * 0.28)
      << QPointF(b.right() - w * 0.18, b.bottom()) << QPointF(b.left() + w * 0.18, b.bottom());
  p.drawPolygon(can);
  p.restore();
}

void transfer(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  const double w = b.width(), h = b.height();
  p.setPen(pen(c, std::max(1.5, w * 0.09)));
  p.drawPolyline(QPolygonF() << QPointF(b.left() + w * 0.25, b.top() + h * 0.35)
                             << QPointF(b.left(), b.top() + h * 0.35) << QPointF(b.left(), b.bottom())
                             << QPointF(b.right() - w * 0.25, b.bottom())
                             << QPointF(b.right() - w * 0.25, b.bottom() - h * 0.25));
  p.drawLine(QPointF(b.left() + w * 0.3, b.bottom() - h * 0.3), QPointF(b.right() - w * 0.1, b.top() + h * 0.1));
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  QPolygonF head;
  head << QPointF(b.right(), b.top()) << QPointF(b.right() - w * 0.42, b.top() + h * 0.04)
       << QPointF(b.right() - w * 0.04, b.top() + h * 0.42);
  p.drawPolygon(head);
  p.restore();
}

void filmStrip(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  QPainterPath strip;
  strip.addRect(b);
  const double hole = std::max(1.0, b.height() * 0.16);
  for (double x = b.left() + 1; x + hole <= b.right(); x += hole * 2) {
    strip.addRect(QRectF(x, b.top() + 1, hole, hole));
    strip.addRect(QRectF(x, b.bottom() - 1 - hole, hole, hole));
  }
  strip.addRect(b.adjusted(1.5, hole + 2, -1.5, -hole - 2));
  strip.setFillRule(Qt::OddEvenFill);
  p.drawPath(strip);
  p.restore();
}

void photoFrame(QPainter& p, const QRectF& b, QColor c, int count) {
  p.save();
  prepare(p);
  const double step = 2.0;
  for (int i = count - 1; i >= 0; --i) {
    const QRectF r = QRectF(b.left() + i * step, b.top() + (count - 1 - i) * step,
                            b.width() - (count - 1) * step, b.height() - (count - 1) * step);
    p.setPen(Qt::NoPen);
    p.setBrush(i == 0 ? c : QColor(c.red(), c.green(), c.blue(), 120));
    QPainterPath path;
    path.addRect(r);
    QPainterPath window;
    window.addRect(r.adjusted(1, 1, -1, -1));
    if (i == 0) {
      p.drawPath(path.subtracted(window));
      // A mountain inside.
      QPolygonF hill;
      hill << QPointF(r.left() + 1, r.bottom() - 1) << QPointF(r.left() + r.width() * 0.4, r.top() + r.height() * 0.45)
           << QPointF(r.left() + r.width() * 0.6, r.top() + r.height() * 0.7)
           << QPointF(r.left() + r.width() * 0.75, r.top() + r.height() * 0.55) << QPointF(r.right() - 1, r.bottom() - 1);
      p.drawPolygon(hill);
    } else {
      p.drawPath(path.subtracted(window));
    }
  }
  p.restore();
}

void handset(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  const double w = b.width(), h = b.height();
  QPainterPath path;
  path.moveTo(b.left() + w * 0.1, b.top() + h * 0.55);
  path.cubicTo(b.left() + w * 0.1, b.top() + h * 0.1, b.right() - w * 0.1, b.top() + h * 0.1,
               b.right() - w * 0.1, b.top() + h * 0.55);
  p.setPen(pen(c, std::max(1.6, h * 0.2)));
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawRoundedRect(QRectF(b.left(), b.top() + h * 0.5, w * 0.3, h * 0.4), 1, 1);
  p.drawRoundedRect(QRectF(b.right() - w * 0.3, b.top() + h * 0.5, w * 0.3, h * 0.4), 1, 1);
  p.restore();
}

void radio(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  const double w = b.width(), h = b.height();
  p.setPen(pen(c, 1.0));
  p.drawLine(QPointF(b.left() + w * 0.25, b.top() + h * 0.35), QPointF(b.right() - w * 0.15, b.top()));
  QPainterPath body;
  body.addRoundedRect(QRectF(b.left(), b.top() + h * 0.35, w, h * 0.65), 1.5, 1.5);
  QPainterPath grille;
  grille.addEllipse(QPointF(b.left() + w * 0.3, b.top() + h * 0.68), h * 0.2, h * 0.2);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawPath(body.subtracted(grille));
  p.fillRect(QRectF(b.left() + w * 0.58, b.top() + h * 0.5, w * 0.3, 1.2), QColor(0, 0, 0, 160));
  p.fillRect(QRectF(b.left() + w * 0.58, b.top() + h * 0.72, w * 0.3, 1.2), QColor(0, 0, 0, 160));
  p.restore();
}

void speakerOff(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  const double w = b.width(), h = b.height();
  QPolygonF cone;
  cone << QPointF(b.left(), b.top() + h * 0.32) << QPointF(b.left() + w * 0.22, b.top() + h * 0.32)
       << QPointF(b.left() + w * 0.5, b.top()) << QPointF(b.left() + w * 0.5, b.bottom())
       << QPointF(b.left() + w * 0.22, b.top() + h * 0.68) << QPointF(b.left(), b.top() + h * 0.68);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawPolygon(cone);
  p.setPen(pen(c, 1.3));
  p.drawLine(QPointF(b.left() + w * 0.64, b.top() + h * 0.28), QPointF(b.right(), b.bottom() - h * 0.28));
  p.drawLine(QPointF(b.left() + w * 0.64, b.bottom() - h * 0.28), QPointF(b.right(), b.top() + h * 0.28));
  p.restore();
}

void hue(QPainter& p, const QRectF& b) { colourWheel(p, b, QColor(20, 20, 20), true); }

void drop(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  const double w = b.width(), h = b.height();
  QPainterPath path;
  path.moveTo(b.center().x(), b.top());
  path.cubicTo(b.center().x() + w * 0.1, b.top() + h * 0.3, b.right(), b.top() + h * 0.5,
               b.right(), b.top() + h * 0.68);
  path.arcTo(QRectF(b.left(), b.top() + h * 0.36, w, h * 0.64), 0, -180);
  path.cubicTo(b.left(), b.top() + h * 0.5, b.center().x() - w * 0.1, b.top() + h * 0.3,
               b.center().x(), b.top());
  QLinearGradient g(b.topLeft(), b.bottomRight());
  g.setColorAt(0, QColor(255, 120, 120));
  g.setColorAt(1, QColor(160, 20, 40));
  p.setPen(pen(c, 0.8));
  p.setBrush(g);
  p.drawPath(path);
  p.restore();
}

void halfCircle(QPainter& p, const QRectF& b, QColor c) {
  p.save();
  prepare(p);
  const double s = std::min(b.width(), b.height());
  const QRectF circle(b.center().x() - s / 2, b.center().y() - s / 2, s, s);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 20, 22));
  p.drawEllipse(circle);
  p.setBrush(c);
  p.drawPie(circle, 90 * 16, 180 * 16);
  p.setPen(pen(c, 0.8));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(circle.adjusted(0.4, 0.4, -0.4, -0.4));
  p.restore();
}

} // namespace skingen::symbol
