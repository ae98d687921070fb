#include "small_art.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QTransform>
#include <functional>

#include "art_kit.h"
#include "symbols.h"

namespace skingen {
namespace {

using Content = std::function<void(QPainter&, const QRectF&, QColor)>;

// A status window: dark glass with a cyan mark. On black (the settings
// pages' strips) the glass is left out.
QImage statusWindow(int w, int h, const Content& content, bool onBlack = false) {
  QImage image = blank(w, h, onBlack ? QColor(0, 0, 0) : QColor(0, 0, 0, 0));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  if (!onBlack) {
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, tone::glassTop);
    g.setColorAt(1, tone::glassBottom);
    p.fillRect(QRectF(0, 0, w, h), g);
  }
  content(p, QRectF(0, 0, w, h), tone::glassMark);
  if (!onBlack) {
    QLinearGradient shine(0, 0, w, h);
    shine.setColorAt(0, QColor(255, 255, 255, 40));
    shine.setColorAt(0.45, QColor(255, 255, 255, 10));
    shine.setColorAt(0.46, QColor(255, 255, 255, 0));
    p.fillRect(QRectF(0, 0, w, h), shine);
    p.setPen(QPen(QColor(0, 0, 0, 200), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
  }
  return image;
}

void label(QPainter& p, const QRectF& box, const QString& text, QColor c, double size, bool bold = true,
           int stretch = 100) {
  QFont f = sans(size, bold);
  f.setStretch(stretch);
  p.setFont(f);
  p.setPen(c);
  p.drawText(box, Qt::AlignCenter, text);
}

const char* const kSizeText[] = {"160x120", "176x144", "320x240", "352x288", "640x480"};

Content sizeContent(int index) {
  return [index](QPainter& p, const QRectF& b, QColor c) {
    label(p, b.adjusted(0, -0.5, 0, 0.5), QString::fromLatin1(kSizeText[index]), c, 8, true, 88);
  };
}

Content recordModeContent(int mode) {
  return [mode](QPainter& p, const QRectF& b, QColor c) {
    const QRectF icon(b.left() + 3, b.top() + 4, 9, b.height() - 8);
    symbol::filmStrip(p, icon, c);
    const QString text = mode == 0 ? "CONT" : mode == 1 ? "LAPSE" : "MAN";
    label(p, QRectF(b.left() + 13, b.top(), b.width() - 14, b.height()), text, c, 8, true, 85);
  };
}

Content soundContent(int kind) {
  return [kind](QPainter& p, const QRectF& b, QColor c) {
    const QRectF icon(b.center().x() - 7, b.center().y() - 5.5, 14, 11);
    if (kind == 0) symbol::handset(p, icon, c);
    else if (kind == 1) symbol::radio(p, icon, c);
    else symbol::speakerOff(p, icon, c);
  };
}

Content photoModeContent(bool automatic) {
  return [automatic](QPainter& p, const QRectF& b, QColor c) {
    const double h = b.height() - 6;
    const double w = h * 1.3 + (automatic ? 4 : 0);
    symbol::photoFrame(p, QRectF(b.center().x() - w / 2, b.center().y() - h / 2, w, h), c, automatic ? 3 : 1);
  };
}

QImage lampImage(int w, int h, QColor colour, bool lit) {
  QImage image = blank(w, h, QColor(0, 0, 0));
  QPainter p(&image);
  lamp(p, QRectF(0, 0, w, h), colour, lit);
  return image;
}

// A groove of a slider: a rail in the bed with a scale that says what the
// slider changes.
QImage groove(int kind) {
  QImage image = blank(71, 13, QColor(24, 26, 30));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF rail(3, 4.5, 65, 4);
  QLinearGradient g(rail.topLeft(), rail.topRight());
  switch (kind) {
  case 0:  // hue: round the colour circle
    for (int i = 0; i <= 6; ++i) g.setColorAt(i / 6.0, QColor::fromHsv((i * 60 + 300) % 360, 200, 235));
    break;
  case 1:  // saturation: grey to full colour
    g.setColorAt(0, QColor(140, 140, 140));
    g.setColorAt(1, QColor(230, 40, 60));
    break;
  case 2:  // brightness: dark to light
    g.setColorAt(0, QColor(20, 20, 20));
    g.setColorAt(1, QColor(250, 250, 250));
    break;
  default:  // contrast: flat to hard
    g.setColorAt(0, QColor(110, 110, 110));
    g.setColorAt(0.49, QColor(130, 130, 130));
    g.setColorAt(0.5, QColor(20, 20, 20));
    g.setColorAt(1, QColor(245, 245, 245));
    break;
  }
  p.fillRect(rail, g);
  p.setPen(QPen(QColor(0, 0, 0), 1));
  p.drawRect(rail.adjusted(-0.5, -0.5, 0.5, 0.5));
  p.setPen(QPen(QColor(150, 158, 168, 140), 1));
  p.drawLine(QPointF(rail.left() - 1, rail.bottom() + 1.5), QPointF(rail.right() + 1, rail.bottom() + 1.5));
  // Centre and end ticks.
  p.setPen(QPen(QColor(200, 206, 214), 1));
  p.drawLine(QPointF(35.5, 0.5), QPointF(35.5, 3));
  p.drawLine(QPointF(35.5, 10), QPointF(35.5, 12.5));
  p.setPen(QPen(QColor(120, 126, 134), 1));
  for (double x : {15.5, 55.5}) {
    p.drawLine(QPointF(x, 1.5), QPointF(x, 3));
    p.drawLine(QPointF(x, 10), QPointF(x, 11.5));
  }
  bevel(p, rectPolygon(QRectF(0, 0, 71, 13)), 0.8, true, tone::edgeLight, tone::edgeDark, 200);
  return image;
}

// The thumb: a 23 x 11 metal knob with grip lines in the top-left of a
// 32 x 32 transparent icon.
QImage thumbIcon() {
  QImage image = blank(32, 32);
  const QPolygonF knob = polygon({{0.5, 0.5}, {22.5, 0.5}, {22.5, 10.5}, {0.5, 10.5}});
  raisedKey(image, knob, Look::Up, QColor(206, 212, 220), QColor(96, 102, 112), 500);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  for (double x : {8.5, 11.5, 14.5}) {
    p.setPen(QPen(QColor(30, 32, 36), 1));
    p.drawLine(QPointF(x, 2.5), QPointF(x, 8.5));
    p.setPen(QPen(QColor(240, 244, 248, 170), 1));
    p.drawLine(QPointF(x + 1, 2.5), QPointF(x + 1, 8.5));
  }
  p.fillRect(QRectF(11, 0, 1, 1), QColor(50, 255, 255));
  return image;
}

QImage handCursor() {
  QImage image = blank(32, 32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  auto roundedRect = [](QRectF r, double radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
  };
  // Index finger up, three folded fingers, the thumb at the left, one outline.
  QPainterPath hand = roundedRect(QRectF(9, 1, 5, 17), 2.5);
  hand = hand.united(roundedRect(QRectF(13.5, 9, 4.5, 9), 2.2));
  hand = hand.united(roundedRect(QRectF(17.5, 10, 4.5, 9), 2.2));
  hand = hand.united(roundedRect(QRectF(21.5, 11, 4, 9), 2));
  hand = hand.united(roundedRect(QRectF(9, 14, 16.5, 13), 4));
  QTransform tilt;
  tilt.translate(9.5, 23);
  tilt.rotate(-38);
  const QPainterPath thumb = tilt.map(roundedRect(QRectF(-2.6, -11, 5.2, 12), 2.6));
  hand = hand.united(thumb).simplified();
  p.setPen(QPen(QColor(0, 0, 0), 1.2));
  p.setBrush(QColor(255, 255, 255));
  p.drawPath(hand);
  p.setPen(QPen(QColor(0, 0, 0), 0.9));
  for (double x : {13.7, 17.7, 21.7}) p.drawLine(QPointF(x, 14), QPointF(x, 18));
  return image;
}

QImage helpCursor() {
  QImage image = blank(32, 32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QPolygonF arrow = polygon({{1, 1}, {1, 17}, {5, 13}, {8, 20}, {10.5, 19}, {7.5, 12.5}, {13, 12.5}});
  p.setPen(QPen(QColor(0, 0, 0), 1.1));
  p.setBrush(QColor(255, 255, 255));
  p.drawPolygon(arrow);
  QPainterPath q;
  QFont f = sans(15, true);
  q.addText(QPointF(15, 17), f, QStringLiteral("?"));
  p.setPen(QPen(QColor(0, 0, 0), 2.4));
  p.setBrush(Qt::NoBrush);
  p.drawPath(q);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255));
  p.drawPath(q);
  return image;
}

QImage programIcon(int size, bool module) {
  QImage image = blank(size, size);
  const double s = size / 32.0;
  const QPolygonF body = [&] {
    QPainterPath path;
    path.addRoundedRect(QRectF(1.5 * s, 7 * s, 29 * s, 20 * s), 4 * s, 4 * s);
    path.addRoundedRect(QRectF(10 * s, 3.5 * s, 12 * s, 6 * s), 1.5 * s, 1.5 * s);
    return path.simplified().toFillPolygon();
  }();
  raisedKey(image, body, Look::Up, QColor(120, 128, 138), QColor(44, 48, 54), 600 + size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF lens(16 * s, 17 * s);
  p.setPen(QPen(QColor(10, 10, 12), 1.0 * s));
  p.setBrush(QColor(20, 22, 26));
  p.drawEllipse(lens, 8 * s, 8 * s);
  QRadialGradient glass(lens - QPointF(2 * s, 2 * s), 6 * s);
  glass.setColorAt(0, QColor(120, 255, 255));
  glass.setColorAt(0.4, QColor(0, 120, 140));
  glass.setColorAt(1, QColor(2, 20, 26));
  p.setBrush(glass);
  p.setPen(Qt::NoPen);
  p.drawEllipse(lens, 5.5 * s, 5.5 * s);
  p.setBrush(QColor(255, 255, 255, 200));
  p.drawEllipse(lens - QPointF(2.2 * s, 2.2 * s), 1.3 * s, 1.3 * s);
  p.setBrush(tone::recordRed);
  p.drawEllipse(QPointF(26 * s, 11 * s), 1.6 * s, 1.6 * s);
  if (module) {
    // A transfer arrow: the picture goes to another program.
    p.setBrush(QColor(50, 255, 255));
    p.setPen(QPen(QColor(0, 0, 0), 0.8 * s));
    QPolygonF arrow = polygon({{20 * s, 22 * s}, {26 * s, 22 * s}, {26 * s, 19 * s}, {31 * s, 25 * s},
                               {26 * s, 31 * s}, {26 * s, 28 * s}, {20 * s, 28 * s}});
    p.drawPolygon(arrow);
  }
  return image;
}

} // namespace

void drawIndicators(ResourceSet& out) {
  const QString group = QStringLiteral("Status windows and lamps");
  using namespace symbol;
  out.bitmap(group, "ZOOM_NRL", statusWindow(26, 25, [](QPainter& p, const QRectF&, QColor c) {
               magnifier(p, QRectF(2, 3, 13, 13), c, false);
               label(p, QRectF(13, 12, 12, 11), "1x", c, 8);
             }), 8);
  out.bitmap(group, "ZOOM_OUT", statusWindow(26, 25, [](QPainter& p, const QRectF&, QColor c) {
               magnifier(p, QRectF(2, 3, 13, 13), c, true);
               label(p, QRectF(13, 12, 12, 11), "2x", c, 8);
             }), 8);
  out.bitmap(group, "VIEW_LARG", statusWindow(27, 22, [](QPainter& p, const QRectF&, QColor c) {
               viewFrame(p, QRectF(4, 4, 19, 14), c, true);
             }), 8);
  out.bitmap(group, "VIEW_SMAL", statusWindow(27, 22, [](QPainter& p, const QRectF&, QColor c) {
               viewFrame(p, QRectF(4, 4, 19, 14), c, false);
             }), 8);
  out.bitmap(group, "COLOR_MODE", statusWindow(25, 20, [](QPainter& p, const QRectF&, QColor) {
               p.setRenderHint(QPainter::Antialiasing);
               p.setPen(Qt::NoPen);
               p.setBrush(QColor(255, 70, 70));
               p.drawEllipse(QPointF(10, 8), 4, 4);
               p.setBrush(QColor(70, 230, 90));
               p.drawEllipse(QPointF(15, 8), 4, 4);
               p.setBrush(QColor(80, 140, 255));
               p.drawEllipse(QPointF(12.5, 12.5), 4, 4);
             }), 8);
  out.bitmap(group, "GRAY_MODE", statusWindow(25, 20, [](QPainter& p, const QRectF&, QColor c) {
               for (int i = 0; i < 5; ++i) {
                 const int v = 40 + i * 50;
                 p.fillRect(QRectF(4 + i * 3.5, 5, 3.5, 10), QColor(v, v, v));
               }
               p.setPen(QPen(c, 1));
               p.drawRect(QRectF(3.5, 4.5, 18.5, 11));
             }), 8);
  out.bitmap(group, "VDO_LITEUP", lampImage(5, 9, QColor(60, 255, 90), true), 8);
  out.bitmap(group, "VDO_LITEOFF", lampImage(5, 9, QColor(60, 255, 90), false), 8);
  out.bitmap(group, "PHO_LITEUP", lampImage(5, 9, QColor(60, 255, 90), true), 8);
  out.bitmap(group, "PHO_LITEOFF", lampImage(5, 9, QColor(60, 255, 90), false), 8);
  out.bitmap(group, "SET_LITEUP", lampImage(3, 4, QColor(50, 255, 255), true), 8);
  out.bitmap(group, "SET_LITEOFF", lampImage(3, 4, QColor(50, 255, 255), false), 8);
  const char* const modes[] = {"REC_CONU", "REC_LAPS", "REC_MANU"};
  for (int i = 0; i < 3; ++i) out.bitmap(group, modes[i], statusWindow(40, 17, recordModeContent(i)), 8);
  out.bitmap(group, "SOUND_TEL", statusWindow(31, 18, soundContent(0)), 8);
  out.bitmap(group, "SOUND_RAD", statusWindow(31, 18, soundContent(1)), 8);
  out.bitmap(group, "SOUND_NO", statusWindow(31, 18, soundContent(2)), 8);
  out.bitmap(group, "CAP_SINGLE", statusWindow(23, 16, photoModeContent(false)), 8);
  out.bitmap(group, "CAP_AUTO", statusWindow(23, 16, photoModeContent(true)), 8);
  const char* const sizes[] = {"SIZE_S", "SIZE_M", "SIZE_L", "SIZE_XL", "SIZE_XXL"};
  for (int i = 0; i < 5; ++i) out.bitmap(group, sizes[i], statusWindow(42, 9, sizeContent(i)), 8);
  // The record key's lamp.
  out.bitmap(group, "REC_LITE_YEL", lampImage(4, 4, QColor(255, 214, 40), true), 8);
  out.bitmap(group, "REC_LITE_RED1", lampImage(4, 4, QColor(255, 40, 30), true), 8);
  out.bitmap(group, "REC_LITE_NOR", lampImage(4, 4, QColor(255, 40, 30), false), 8);
  out.bitmap(group, "REC_LITE_GRN", lampImage(4, 4, QColor(60, 255, 90), true), 8);
}

void drawPageStrips(ResourceSet& out) {
  const QString group = QStringLiteral("Settings page strips");
  for (int i = 0; i < 5; ++i) {
    out.bitmap(group, QString("PAGE_SIZE_%1").arg(i + 1), statusWindow(40, 11, sizeContent(i), true), 8);
  }
  out.bitmap(group, "PAGE_VDO_CON", statusWindow(40, 17, recordModeContent(0), true), 8);
  out.bitmap(group, "PAGE_VDO_LAPS", statusWindow(40, 17, recordModeContent(1), true), 8);
  out.bitmap(group, "PAGE_VDO_MANU", statusWindow(40, 17, recordModeContent(2), true), 8);
  out.bitmap(group, "PAGE_SND_TEL", statusWindow(31, 19, soundContent(0), true), 8);
  out.bitmap(group, "PAGE_SND_RAD", statusWindow(31, 19, soundContent(1), true), 8);
  out.bitmap(group, "PAGE_SND_NO", statusWindow(31, 19, soundContent(2), true), 8);
  out.bitmap(group, "PAGE_PHO_SNG", statusWindow(25, 19, photoModeContent(false), true), 8);
  out.bitmap(group, "PAGE_PHO_AUT", statusWindow(25, 19, photoModeContent(true), true), 8);
}

void drawSliderParts(ResourceSet& lumoset, ResourceSet& module) {
  const char* const names[] = {"HUE_GRV", "SAT_GRV", "BRT_GRV", "CNT_GRV"};
  const char* const ids[] = {"207", "208", "209", "210"};
  for (int i = 0; i < 4; ++i) {
    lumoset.bitmap(QStringLiteral("Sliders"), names[i], groove(i), 8);
    module.bitmap(QStringLiteral("Scanner module"), ids[i], groove(i), 8);
  }
  lumoset.icon(QStringLiteral("Sliders"), "296", thumbIcon());
  module.icon(QStringLiteral("Scanner module"), "SLIDER_ICO", thumbIcon());
}

void drawCursorsAndIcons(ResourceSet& lumoset, ResourceSet& module) {
  const QString group = QStringLiteral("Cursors and icons");
  lumoset.cursor(group, "CUR_OPENSET", handCursor(), QPoint(11, 1));
  lumoset.cursor(group, "CUR_HELP", helpCursor(), QPoint(1, 1));
  lumoset.icon(group, "MAINFRAME", programIcon(32, false));
  lumoset.icon(group, "MAINFRAME_16", programIcon(16, false));
  const QString moduleGroup = QStringLiteral("Scanner module");
  module.cursor(moduleGroup, "219", handCursor(), QPoint(11, 1));
  module.cursor(moduleGroup, "220", helpCursor(), QPoint(1, 1));
  module.icon(moduleGroup, "1261", programIcon(32, true));
  module.icon(moduleGroup, "1261_16", programIcon(16, true));
}

void drawModuleIndicators(ResourceSet& module) {
  // The same status windows and lamps as the camera program's, by number.
  ResourceSet scratch(QStringLiteral("scratch"));
  drawIndicators(scratch);
  const std::pair<const char*, const char*> same[] = {
      {"160", "ZOOM_NRL"},   {"161", "ZOOM_OUT"},  {"171", "VIEW_LARG"}, {"172", "VIEW_SMAL"},
      {"174", "COLOR_MODE"}, {"175", "GRAY_MODE"}, {"198", "SET_LITEUP"}, {"199", "SET_LITEOFF"}};
  for (const auto& [id, name] : same) {
    module.bitmap(QStringLiteral("Scanner module"), id, scratch.stored(name), 8);
  }
}

} // namespace skingen
