#pragma once
// The marks printed on keys and status windows, each drawn into a box.

#include <QColor>
#include <QPainter>
#include <QRectF>

namespace skingen::symbol {

void magnifier(QPainter& p, const QRectF& box, QColor c, bool plus);
void viewFrame(QPainter& p, const QRectF& box, QColor c, bool large);
void colourWheel(QPainter& p, const QRectF& box, QColor c, bool colour);
void power(QPainter& p, const QRectF& box, QColor c);
void stopSquare(QPainter& p, const QRectF& box, QColor c);
void recordDot(QPainter& p, const QRectF& box, QColor c);
void camera(QPainter& p, const QRectF& box, QColor c);
void printer(QPainter& p, const QRectF& box, QColor c);
void question(QPainter& p, const QRectF& box, QColor c);
void arrow(QPainter& p, const QRectF& box, QColor c, int dx, int dy);  // a filled triangle
void chevron(QPainter& p, const QRectF& box, QColor c, int dy);
void qualityGrid(QPainter& p, const QRectF& box, QColor c);
void sun(QPainter& p, const QRectF& box, QColor c);
void resetArrow(QPainter& p, const QRectF& box, QColor c);
void sliders(QPainter& p, const QRectF& box, QColor c);
void trash(QPainter& p, const QRectF& box, QColor c);
void transfer(QPainter& p, const QRectF& box, QColor c);
void filmStrip(QPainter& p, const QRectF& box, QColor c);
void photoFrame(QPainter& p, const QRectF& box, QColor c, int count);
void handset(QPainter& p, const QRectF& box, QColor c);
void radio(QPainter& p, const QRectF& box, QColor c);
void speakerOff(QPainter& p, const QRectF& box, QColor c);
void hue(QPainter& p, const QRectF& box);
void drop(QPainter& p, const QRectF& box, QColor c);
void halfCircle(QPainter& p, const QRectF& box, QColor c);

} // namespace skingen::symbol
