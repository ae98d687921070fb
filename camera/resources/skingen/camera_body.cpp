#include "camera_body.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <functional>
#include <vector>

#include "art_kit.h"
#include "symbols.h"

namespace skingen {
namespace {

constexpr int kPanelWidth = 442;
constexpr int kPanelHeight = 455;
constexpr int kWingWidth = 84;

using Mark = std::function<void(QPainter&, QRectF box, QColor c)>;

enum class Where { Centre, Drawer, LeftWing, RightWing };

struct Key {
  QString name;       // resource name without the U / D / X suffix
  QRect rect;         // in the panel it sits on
  Where where;
  QPolygonF outline;  // in the key's own pixels
  QRectF markBox;     // in the key's own pixels
  Mark mark;
  bool disabledArt;   // has an X bitmap
  QColor top{150, 158, 168};
  QColor bottom{74, 80, 89};
};

QPolygonF rounded(const QRectF& r, double radius) {
  QPainterPath path;
  path.addRoundedRect(r, radius, radius);
  return path.toFillPolygon();
}

QColor markColour(Look look, QColor c) {
  if (look == Look::Disabled) return tone::symbolDisabled;
  return c;
}

// Draws one key into `image`, whose origin is the panel's.
void drawKey(QImage& image, const Key& key, Look look, std::uint32_t seed) {
  const QPolygonF outline = key.outline.translated(key.rect.topLeft());
  raisedKey(image, outline, look, key.top, key.bottom, seed);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setClipRect(key.rect);
  const double shift = look == Look::Down ? 1.0 : 0.0;
  const QRectF box = key.markBox.translated(key.rect.topLeft()).translated(shift, shift);
  if (key.mark) {
    // A faint shadow keeps the mark crisp on bright metal.
    if (look != Look::Disabled) key.mark(p, box.translated(0.6, 0.6), QColor(0, 0, 0, 120));
    key.mark(p, box, markColour(look, tone::symbol));
  }
}

// --- the camera body ------------------------------------------------------

struct BodyLayout {
  bool module = false;
  QRect preview{61, 33, 320, 240};
  int drawerLeft = 9;           // where the drawer's left piece starts
  QPointF handleStart{44, 440};  // first point of the open drawer's handle
};

const QPolygonF& lidOutline() {
  static const QPolygonF lid = polygon({{38, 373}, {105, 370}, {235, 401}, {327, 401}, {441, 388},
                                        {441, 453}, {12, 453}, {15, 412}});
  return lid;
}

QPolygonF handleOutline(const BodyLayout& layout) {
  return polygon({layout.handleStart, {131, 444}, {136, 449}, {136, 454}, {41, 451}, {41, 444}});
}

QPolygonF trayOutline() {
  return rounded(QRectF(13, 386, 426, 66), 5).united(rounded(QRectF(13, 370, 184, 82), 5));
}

void drawSpeakerGrille(QPainter& p, const QRectF& area) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  for (double y = area.top(); y <= area.bottom(); y += 4) {
    const int row = int((y - area.top()) / 4);
    for (double x = area.left() + (row % 2) * 2; x <= area.right(); x += 4) {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(120, 128, 138, 150));
      p.drawEllipse(QPointF(x + 0.6, y + 0.6), 1.1, 1.1);
      p.setBrush(QColor(6, 7, 8));
      p.drawEllipse(QPointF(x, y), 1.1, 1.1);
    }
  }
  p.restore();
}

void drawBezel(QImage& image, const BodyLayout& layout) {
  const QRectF outer(50, 22, 342, 261);
  const QPolygonF frame = rounded(outer, 10);
  QPainterPath framePath;
  framePath.addPolygon(frame);
  brushedMetal(image, framePath, QColor(64, 69, 77), QColor(30, 33, 38), 71, 3);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  bevel(p, frame, 1.2, false, tone::edgeLight, tone::edgeDark, 220);
  // The glass opening, slightly larger than the picture and the strip.
  const QRectF opening(layout.preview.left() - 3, layout.preview.top() - 3,
                       layout.preview.width() + 6, 246);
  const QPolygonF hole = rounded(opening, 3);
  QPainterPath holePath;
  holePath.addPolygon(hole);
  p.fillPath(holePath, QColor(4, 5, 6));
  bevel(p, hole, 1.2, true, tone::edgeLight, tone::edgeDark, 230);
  p.fillRect(layout.preview, QColor(0, 0, 0));
  // Reflection on the dark screen.
  QLinearGradient shine(layout.preview.topLeft(), layout.preview.bottomRight());
  shine.setColorAt(0, QColor(255, 255, 255, 18));
  shine.setColorAt(0.35, QColor(255, 255, 255, 4));
  shine.setColorAt(0.36, QColor(255, 255, 255, 0));
  p.fillRect(layout.preview, shine);
  // The strip under the picture.
  p.fillRect(QRectF(61, 274, 320, 2), tone::glassDim);
}

void drawIndicatorPod(QImage& image) {
  // A housing under the screen that carries the three status windows.
  const QPolygonF pod = rounded(QRectF(146, 268, 150, 38), 7);
  QPainterPath path;
  path.addPolygon(pod);
  brushedMetal(image, path, QColor(60, 65, 73), QColor(36, 39, 45), 72, 3);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  bevel(p, pod, 1.0, false, tone::edgeLight, tone::edgeDark, 200);
  for (const QRectF& r : {QRectF(155, 277, 27, 26), QRectF(206, 278, 28, 23), QRectF(260, 279, 26, 21)}) {
    well(p, rectPolygon(r), 1.5);
    glassWindow(p, r, 1.5);
  }
}

void drawClosedDrawer(QImage& image) {
  QPainterPath lid;
  lid.addPolygon(lidOutline());
  lid.closeSubpath();
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    well(p, lidOutline(), 1.6);
  }
  brushedMetal(image, lid, QColor(98, 105, 115), QColor(52, 56, 63), 81, 4);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sheen(QPointF(0, 370), QPointF(0, 455));
  sheen.setColorAt(0, QColor(255, 255, 255, 34));
  sheen.setColorAt(0.3, QColor(255, 255, 255, 0));
  p.fillPath(lid, sheen);
  bevel(p, lidOutline(), 1.3, false);
  // Grip ridges along the lower edge and a pull mark.
  for (int i = 0; i < 9; ++i) {
    const double x = 184 + i * 9;
    p.setPen(QPen(QColor(20, 22, 26, 200), 1.2));
    p.drawLine(QPointF(x, 433), QPointF(x, 447));
    p.setPen(QPen(QColor(170, 178, 190, 120), 1.0));
    p.drawLine(QPointF(x + 1.2, 433), QPointF(x + 1.2, 447));
  }
  for (int i = 0; i < 2; ++i) {
    const QRectF box(95, 409 + i * 6, 16, 6);
    symbol::chevron(p, box.translated(0.7, 0.7), QColor(170, 178, 190, 140), -1);
    symbol::chevron(p, box, QColor(22, 24, 28), -1);
  }
  // The adjustment mark.
  symbol::sliders(p, QRectF(364, 418, 20, 16).translated(0.7, 0.7), QColor(170, 178, 190, 130));
  symbol::sliders(p, QRectF(364, 418, 20, 16), QColor(22, 24, 28));
}

void drawOpenDrawer(QImage& image, const BodyLayout& layout) {
  const QPolygonF tray = trayOutline();
  QPainterPath trayPath;
  trayPath.addPolygon(tray);
  brushedMetal(image, trayPath, QColor(34, 37, 42), QColor(22, 24, 27), 91, 2);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    bevel(p, tray, 1.6, true, tone::edgeLight, tone::edgeDark, 230);
    // Slider beds and their marks.
    struct Bed {
      QRectF groove;
      int kind;
    };
    const Bed beds[] = {{{30, 394, 72, 14}, 0}, {{47, 419, 72, 14}, 1},
                        {{141, 399, 72, 14}, 2}, {{157, 425, 72, 14}, 3}};
    for (const Bed& bed : beds) {
      well(p, rectPolygon(bed.groove), 1.2);
      const QRectF mark(bed.groove.right() + 4, bed.groove.top() + 0.5, 12, 12);
      switch (bed.kind) {
      case 0: symbol::hue(p, mark); break;
      case 1: symbol::drop(p, mark.adjusted(1.5, 0, -1.5, 0), QColor(20, 20, 20)); break;
      case 2: symbol::sun(p, mark, QColor(226, 230, 236)); break;
      case 3: symbol::halfCircle(p, mark.adjusted(1, 1, -1, -1), QColor(226, 230, 236)); break;
      }
    }
    // Lamp sockets of the quality and exposure rows, with 1-2-3 ticks.
    for (int row = 0; row < 2; ++row) {
      const int y = row == 0 ? 405 : 428;
      for (int i = 0; i < 3; ++i) {
        static const int kLampX[3] = {312, 345, 376};
        const int x = kLampX[i];
        p.fillRect(QRectF(x - 1.5, y - 1.5, 6, 7), QColor(0, 0, 0));
        p.setPen(QPen(QColor(120, 128, 138, 150), 0.8));
        p.drawRect(QRectF(x - 2, y - 2, 7, 8));
        for (int t = 0; t <= i; ++t) {
          p.fillRect(QRectF(x + 6 + t * 2.5, y + 1, 1.2, 2), QColor(150, 158, 168));
        }
      }
      // A groove joining the key and its lamps.
      p.setPen(QPen(QColor(8, 9, 10), 1));
      p.drawLine(QPointF(300, y + 1.5), QPointF(309, y + 1.5));
    }
    for (const QRect& r : {QRect(262, 407, 37, 14), QRect(262, 429, 37, 14), QRect(408, 397, 23, 17),
                           QRect(396, 420, 37, 20)}) {
      well(p, rounded(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 3), 1.2);
    }
  }
  // The handle that closes the drawer again.
  const QPolygonF handle = handleOutline(layout);
  QPainterPath handlePath;
  handlePath.addPolygon(handle);
  brushedMetal(image, handlePath, QColor(118, 125, 136), QColor(62, 67, 75), 93, 3);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  bevel(p, handle, 1.0, false);
  symbol::chevron(p, QRectF(82, 445.5, 12, 4).translated(0.7, 0.7), QColor(190, 198, 210, 150), 1);
  symbol::chevron(p, QRectF(82, 445.5, 12, 4), QColor(20, 22, 26), 1);
}

enum class DrawerState { Closed, Open };

QImage drawBody(const BodyLayout& layout, DrawerState drawer, const std::vector<Key>& keys) {
  QImage image = blank(kPanelWidth, kPanelHeight);
  brushedMetal(image, QRect(0, 0, kPanelWidth, kPanelHeight), tone::bodyTop, tone::bodyBottom, 7);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    bevel(p, rectPolygon(QRectF(0, 0, kPanelWidth, kPanelHeight)), 1.2, false);
    // Name plate.
    QFont logo = sans(14, true);
    logo.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    engravedText(p, QRectF(0, 3, kPanelWidth, 18), QStringLiteral("RZ-410"), logo);
    QFont small = sans(8, true);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    engravedText(p, QRectF(60, 5, 120, 14), QStringLiteral("USB VIDEO"), small,
                 Qt::AlignLeft | Qt::AlignVCenter);
    engravedText(p, QRectF(262, 5, 120, 14),
                 layout.module ? QStringLiteral("SCANNER") : QStringLiteral("LUMOSET"), small,
                 Qt::AlignRight | Qt::AlignVCenter);
    drawSpeakerGrille(p, QRectF(40, 290, 96, 18));
    // Lamp sockets of the album lights (the camera program only).
    if (!layout.module) {
      for (const QRectF& r : {QRectF(22, 23, 7, 11), QRectF(414, 23, 7, 11)}) {
        p.fillRect(r, QColor(0, 0, 0));
        p.setPen(QPen(QColor(130, 138, 148, 160), 0.8));
        p.drawRect(r.adjusted(-0.5, -0.5, 0.5, 0.5));
      }
    }
  }
  drawBezel(image, layout);
  drawIndicatorPod(image);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (const Key& key : keys) {
      if (key.where == Where::Centre) well(p, key.outline.translated(key.rect.topLeft()), 1.4);
    }
  }
  if (drawer == DrawerState::Closed) {
    drawClosedDrawer(image);
  } else {
    drawOpenDrawer(image, layout);
  }
  return image;
}

QImage drawWing(bool left, const std::vector<Key>& keys) {
  QImage image = blank(kWingWidth, kPanelHeight);
  brushedMetal(image, QRect(0, 0, kWingWidth, kPanelHeight), tone::bodyTop, tone::bodyBottom,
               left ? 11 : 13);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  bevel(p, rectPolygon(QRectF(0, 0, kWingWidth, kPanelHeight)), 1.2, false);
  // The seam where the wing meets the centre panel.
  const double seam = left ? kWingWidth - 1.5 : 0.5;
  p.setPen(QPen(QColor(8, 9, 11), 1.2));
  p.drawLine(QPointF(seam, 0), QPointF(seam, kPanelHeight));
  // The album's window.
  const QRectF album(5, 72, 74, 276);
  well(p, rounded(album, 4), 1.0);
  p.fillRect(QRectF(7, 74, 70, 272), QColor(6, 7, 8));
  for (const Key& key : keys) {
    if (key.where == (left ? Where::LeftWing : Where::RightWing)) {
      well(p, key.outline.translated(key.rect.topLeft()), 1.4);
    }
  }
  const std::vector<QRectF> windows =
      left ? std::vector<QRectF>{{11, 386, 32, 19}, {11, 411, 41, 18}, {11, 437, 43, 10}}
           : std::vector<QRectF>{{52, 409, 24, 17}, {32, 435, 43, 10}};
  for (const QRectF& r : windows) {
    well(p, rectPolygon(r), 1.6);
    glassWindow(p, r, 1);
  }
  // A mark for what the album holds.
  const QColor dark(22, 24, 28), lightEdge(170, 178, 190, 130);
  if (left) {
    symbol::filmStrip(p, QRectF(56, 389, 18, 12).translated(0.7, 0.7), lightEdge);
    symbol::filmStrip(p, QRectF(56, 389, 18, 12), dark);
  } else {
    symbol::photoFrame(p, QRectF(14, 408, 18, 14).translated(0.7, 0.7), lightEdge, 1);
    symbol::photoFrame(p, QRectF(14, 408, 18, 14), dark, 1);
  }
  QFont small = sans(8, true);
  small.setLetterSpacing(QFont::AbsoluteSpacing, 1);
  engravedText(p, left ? QRectF(24, 22, 58, 14) : QRectF(2, 22, 58, 14),
               left ? QStringLiteral("VIDEO") : QStringLiteral("PHOTO"), small);
  return image;
}

QImage crop(const QImage& panel, const QRect& rect) { return panel.copy(rect); }

// Draws `key` in `look` over its place in `panel` and returns the key's
// bitmap. Around the key the pixels are those of `stored`, the panel as it
// is kept (reduced to 8 bits), so a key's corners match what is around it.
QImage keyBitmap(const QImage& panel, const QImage& stored, const Key& key, Look look,
                 std::uint32_t seed) {
  QImage scratch = panel.copy();
  drawKey(scratch, key, look, seed);
  QImage face = crop(scratch, key.rect);
  QImage around = crop(stored, key.rect).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QPainterPath keyArea;
  keyArea.addPolygon(grown(key.outline, 2.0));
  keyArea.closeSubpath();
  QPainter p(&around);
  p.setClipPath(keyArea);
  p.drawImage(0, 0, face);
  return around;
}

void emitKeys(ResourceSet& out, const QString& group, const QImage& panel, const QImage& stored,
              const std::vector<Key>& keys, Where where, bool numbered,
              const std::vector<std::pair<QString, QString>>& numberedNames = {}) {
  std::uint32_t seed = 300;
  for (const Key& key : keys) {
    ++seed;
    if (key.where != where) continue;
    if (!numbered) {
      out.bitmap(group, key.name + "U", keyBitmap(panel, stored, key, Look::Up, seed), 24);
      out.bitmap(group, key.name + "D", keyBitmap(panel, stored, key, Look::Down, seed), 24);
      if (key.disabledArt) {
        out.bitmap(group, key.name + "X", keyBitmap(panel, stored, key, Look::Disabled, seed), 24);
      }
    } else {
      for (const auto& [base, names] : numberedNames) {
        if (base != key.name) continue;
        const QStringList ids = names.split('/');
        out.bitmap(group, ids[0], keyBitmap(panel, stored, key, Look::Up, seed), 24);
        out.bitmap(group, ids[1], keyBitmap(panel, stored, key, Look::Down, seed), 24);
      }
    }
  }
}

// The panel with the stored (8-bit) drawer pieces laid over it.
QImage withStoredPieces(QImage panel, const ResourceSet& out, const QString& left, QPoint leftAt,
                        const QString& right, QPoint rightAt) {
  QPainter p(&panel);
  p.drawImage(leftAt, out.stored(left));
  p.drawImage(rightAt, out.stored(right));
  return panel;
}

void drawAllKeys(QImage& panel, const std::vector<Key>& keys, Where where, const QString& skip = {}) {
  std::uint32_t seed = 300;
  for (const Key& key : keys) {
    ++seed;
    if (key.where == where && key.name != skip) drawKey(panel, key, Look::Up, seed);
  }
}

// --- the keys -------------------------------------------------------------

Key tab(const QString& name, QRect rect, Where where, int arrowDx, bool disabledArt) {
  const QRectF face(1, 1, rect.width() - 2, rect.height() - 2);
  Mark mark = [arrowDx](QPainter& p, QRectF box, QColor c) { symbol::arrow(p, box, c, arrowDx, 0); };
  return Key{name, rect, where, rounded(face, 3), QRectF(face.center().x() - 3, face.center().y() - 4.5, 6, 9),
             mark, disabledArt};
}

Key scroll(const QString& name, QRect rect, Where where, bool up) {
  // The keys follow the hit triangles, one pixel fuller.
  const QPolygonF tri = up ? polygon({{1, 14}, {10, 0}, {19, 14}}) : polygon({{1, 0.5}, {19, 0.5}, {10, 15}});
  const QRectF box = up ? QRectF(7, 7.5, 6, 4) : QRectF(7, 3, 6, 4);
  Mark mark = [up](QPainter& p, QRectF b, QColor c) { symbol::chevron(p, b, c, up ? -1 : 1); };
  return Key{name, rect, where, tri, box, mark, true};
}

Key roundKey(const QString& name, QRect rect, Mark mark) {
  return Key{name, rect, Where::Centre, ellipsePolygon(QRectF(1.5, 1.5, 14, 14)), QRectF(4, 4, 9, 9), mark, false,
             QColor(170, 178, 188), QColor(70, 76, 85)};
}

Key drawerKey(const QString& name, QRect rect, QRectF markBox, Mark mark) {
  return Key{name, rect, Where::Drawer, rounded(QRectF(0.5, 0.5, rect.width() - 1, rect.height() - 1), 3),
             markBox, mark, false};
}

std::vector<Key> cameraProgramKeys() {
  using namespace symbol;
  std::vector<Key> keys;
  keys.push_back(tab("VDO_SWIN", QRect(0, 16, 22, 25), Where::Centre, -1, true));
  keys.push_back(tab("PHO_SWIN", QRect(420, 16, 22, 25), Where::Centre, 1, true));
  keys.push_back(tab("VDO_SWOUT", QRect(0, 16, 23, 25), Where::LeftWing, 1, false));
  keys.push_back(tab("PHO_SWOUT", QRect(60, 16, 24, 25), Where::RightWing, -1, false));
  keys.push_back(scroll("VDOBOX_UP", QRect(32, 51, 20, 16), Where::LeftWing, true));
  keys.push_back(scroll("VDOBOX_DN", QRect(32, 354, 20, 16), Where::LeftWing, false));
  keys.push_back(scroll("PHOBOX_UP", QRect(31, 50, 21, 17), Where::RightWing, true));
  keys.push_back(scroll("PHOBOX_DN", QRect(31, 354, 21, 16), Where::RightWing, false));
  keys.push_back(roundKey("ZOOM", QRect(159, 312, 18, 18),
                          [](QPainter& p, QRectF b, QColor c) { magnifier(p, b, c, true); }));
  keys.push_back(roundKey("VIEW", QRect(211, 313, 19, 20),
                          [](QPainter& p, QRectF b, QColor c) { viewFrame(p, b.adjusted(0, 1, 0, -1), c, true); }));
  keys.push_back(roundKey("COLOR", QRect(264, 312, 18, 17),
                          [](QPainter& p, QRectF b, QColor c) { colourWheel(p, b, c, c != tone::symbolDisabled); }));
  // Exit: the octagonal key at the lower left.
  keys.push_back(Key{"CLOSE", QRect(33, 317, 73, 27), Where::Centre,
                     polygon({{1, 6}, {8, 1}, {43, 6}, {65, 14}, {71, 21}, {62, 23}, {23, 23}, {7, 17}}),
                     QRectF(27, 6, 13, 13), [](QPainter& p, QRectF b, QColor c) {
                       power(p, b, c == tone::symbolDisabled ? c : QColor(255, 110, 80));
                     },
                     false});
  keys.push_back(Key{"STOP", QRect(212, 347, 54, 29), Where::Centre,
                     polygon({{1, 2}, {52, 1}, {52, 27}, {30, 24}, {5, 14}}), QRectF(27, 6, 11, 11),
                     [](QPainter& p, QRectF b, QColor c) { stopSquare(p, b, c); }, true});
  keys.push_back(Key{"REC", QRect(266, 336, 63, 41), Where::Centre,
                     polygon({{0, 11}, {29, 8}, {62, 1}, {62, 35}, {0, 39}}), QRectF(30, 14, 17, 17),
                     [](QPainter& p, QRectF b, QColor c) {
                       recordDot(p, b, c == tone::symbolDisabled ? QColor(110, 70, 70) : tone::recordRed);
                     },
                     true});
  keys.push_back(Key{"CAP", QRect(329, 318, 55, 54), Where::Centre,
                     polygon({{0, 19}, {54, 2}, {54, 36}, {0, 53}}), QRectF(16, 17, 26, 20),
                     [](QPainter& p, QRectF b, QColor c) { camera(p, b, c); }, true,
                     QColor(176, 184, 194), QColor(84, 90, 99)});
  keys.push_back(Key{"PRNT", QRect(384, 304, 45, 51), Where::Centre,
                     polygon({{0, 14}, {38, 0}, {43, 6}, {41, 19}, {22, 36}, {0, 49}}), QRectF(9, 14, 19, 17),
                     [](QPainter& p, QRectF b, QColor c) { printer(p, b, c); }, true});
  keys.push_back(Key{"HELP", QRect(397, 359, 37, 16), Where::Centre,
                     polygon({{1, 13}, {8, 6}, {28, 0}, {35, 2}, {33, 11}, {19, 15}}), QRectF(14, 2, 10, 11),
                     [](QPainter& p, QRectF b, QColor c) {
                       question(p, b, c == tone::symbolDisabled ? c : QColor(90, 240, 240));
                     },
                     false});
  keys.push_back(drawerKey("QUALITY", QRect(262, 407, 37, 14), QRectF(14, 3, 8, 8),
                           [](QPainter& p, QRectF b, QColor c) { qualityGrid(p, b, c); }));
  keys.push_back(drawerKey("SPEED", QRect(262, 429, 37, 14), QRectF(13, 1.5, 11, 11),
                           [](QPainter& p, QRectF b, QColor c) { sun(p, b, c); }));
  keys.push_back(drawerKey("RESET", QRect(408, 397, 23, 17), QRectF(6, 3, 11, 11),
                           [](QPainter& p, QRectF b, QColor c) { resetArrow(p, b, c); }));
  keys.push_back(drawerKey("SETUP", QRect(396, 420, 37, 20), QRectF(11, 4, 15, 12),
                           [](QPainter& p, QRectF b, QColor c) { sliders(p, b, c); }));
  return keys;
}

std::vector<Key> scannerModuleKeys() {
  using namespace symbol;
  std::vector<Key> all = cameraProgramKeys();
  std::vector<Key> keys;
  for (const Key& key : all) {
    if (key.name == "ZOOM" || key.name == "VIEW" || key.name == "COLOR" || key.name == "CLOSE" ||
        key.where == Where::Drawer) {
      keys.push_back(key);
    }
  }
  // The take-picture pair, and erase / transfer in the same places.
  const QPolygonF left = polygon({{1, 12}, {83, 2}, {83, 37}, {1, 37}});
  const QPolygonF right = polygon({{0, 22}, {64, 1}, {64, 44}, {0, 56}});
  keys.push_back(Key{"TAKE_LEFT", QRect(245, 335, 85, 39), Where::Centre, left, QRectF(48, 13, 22, 17),
                     [](QPainter& p, QRectF b, QColor c) { camera(p, b, c); }, false,
                     QColor(176, 184, 194), QColor(84, 90, 99)});
  keys.push_back(Key{"TAKE_RIGHT", QRect(330, 314, 65, 57), Where::Centre, right, QRectF(15, 18, 32, 24),
                     [](QPainter& p, QRectF b, QColor c) {
                       QPainter::CompositionMode m = p.compositionMode();
                       p.setPen(QPen(c, 2.2));
                       p.setBrush(Qt::NoBrush);
                       p.setRenderHint(QPainter::Antialiasing);
                       p.drawEllipse(b.center(), 10, 10);
                       p.setBrush(c);
                       p.drawEllipse(b.center(), 5.5, 5.5);
                       p.setCompositionMode(m);
                     },
                     false, QColor(176, 184, 194), QColor(84, 90, 99)});
  keys.push_back(Key{"ERASE", QRect(245, 335, 85, 39), Where::Centre, left, QRectF(50, 11, 15, 20),
                     [](QPainter& p, QRectF b, QColor c) { trash(p, b, c); }, false});
  keys.push_back(Key{"TRANSFER", QRect(330, 314, 65, 57), Where::Centre, right, QRectF(20, 17, 24, 24),
                     [](QPainter& p, QRectF b, QColor c) {
                       transfer(p, b, c == tone::symbolDisabled ? c : QColor(90, 240, 240));
                     },
                     false});
  keys.push_back(Key{"HELP", QRect(399, 361, 37, 16), Where::Centre,
                     polygon({{1, 13}, {8, 6}, {28, 0}, {35, 2}, {33, 11}, {19, 15}}), QRectF(14, 2, 10, 11),
                     [](QPainter& p, QRectF b, QColor) { question(p, b, QColor(90, 240, 240)); }, false});
  return keys;
}

} // namespace

void drawCameraProgramBody(ResourceSet& out) {
  const BodyLayout layout;
  const std::vector<Key> keys = cameraProgramKeys();
  const QString panels = QStringLiteral("Panels");
  const QString buttons = QStringLiteral("Buttons");

  QImage closed = drawBody(layout, DrawerState::Closed, keys);
  QImage open = drawBody(layout, DrawerState::Open, keys);

  QImage centre = closed.copy();
  drawAllKeys(centre, keys, Where::Centre);
  out.bitmap(panels, "MAIN_CNTR", centre, 8);

  QImage left = drawWing(true, keys);
  QImage right = drawWing(false, keys);
  QImage leftFull = left.copy(), rightFull = right.copy();
  drawAllKeys(leftFull, keys, Where::LeftWing);
  drawAllKeys(rightFull, keys, Where::RightWing);
  out.bitmap(panels, "MAIN_LEFT", leftFull, 8);
  out.bitmap(panels, "MAIN_RIGHT", rightFull, 8);

  QImage openFull = open.copy();
  drawAllKeys(openFull, keys, Where::Drawer);
  out.bitmap(panels, "SET_CLOS_LF", closed.copy(9, 366, 190, 89), 8);
  out.bitmap(panels, "SET_CLOS_RT", closed.copy(199, 383, 243, 72), 8);
  out.bitmap(panels, "SET_OPEN_LF", openFull.copy(9, 366, 190, 89), 8);
  out.bitmap(panels, "SET_OPEN_RT", openFull.copy(199, 383, 243, 72), 8);

  const QImage openStored = withStoredPieces(openFull, out, "SET_OPEN_LF", QPoint(9, 366),
                                             "SET_OPEN_RT", QPoint(199, 383));
  emitKeys(out, buttons, closed, out.stored("MAIN_CNTR"), keys, Where::Centre, false);
  emitKeys(out, buttons, left, out.stored("MAIN_LEFT"), keys, Where::LeftWing, false);
  emitKeys(out, buttons, right, out.stored("MAIN_RIGHT"), keys, Where::RightWing, false);
  emitKeys(out, buttons, open, openStored, keys, Where::Drawer, false);
}

void drawScannerModuleBody(ResourceSet& out) {
  BodyLayout layout;
  layout.module = true;
  layout.preview = QRect(61, 35, 320, 240);
  layout.drawerLeft = 7;
  layout.handleStart = QPointF(40, 440);
  std::vector<Key> keys = scannerModuleKeys();
  const QString group = QStringLiteral("Scanner module");

  // Erase and transfer share the places of the take-picture pair; the
  // background shows the pair.
  std::vector<Key> visible;
  for (const Key& k : keys)
    if (k.name != "ERASE" && k.name != "TRANSFER") visible.push_back(k);

  QImage closed = drawBody(layout, DrawerState::Closed, visible);
  QImage open = drawBody(layout, DrawerState::Open, visible);
  QImage background = closed.copy();
  drawAllKeys(background, visible, Where::Centre);
  out.bitmap(group, "149", background, 8);
  out.bitmap(group, "180", closed.copy(7, 366, 192, 89), 8);
  out.bitmap(group, "181", closed.copy(199, 383, 243, 72), 8);
  QImage openFull = open.copy();
  drawAllKeys(openFull, visible, Where::Drawer);
  out.bitmap(group, "182", openFull.copy(7, 366, 192, 89), 8);
  out.bitmap(group, "183", openFull.copy(199, 383, 243, 72), 8);

  const std::vector<std::pair<QString, QString>> ids = {
      {"ZOOM", "164/165"},   {"VIEW", "162/163"},     {"COLOR", "166/167"},    {"TAKE_LEFT", "176/186"},
      {"TAKE_RIGHT", "177/187"}, {"ERASE", "178/188"}, {"TRANSFER", "179/189"}, {"HELP", "184/185"},
      {"CLOSE", "158/159"},  {"QUALITY", "190/191"},  {"SPEED", "192/193"},    {"RESET", "194/195"},
      {"SETUP", "196/197"}};
  const QImage openStored =
      withStoredPieces(openFull, out, "182", QPoint(7, 366), "183", QPoint(199, 383));
  emitKeys(out, group, closed, out.stored("149"), keys, Where::Centre, true, ids);
  emitKeys(out, group, open, openStored, keys, Where::Drawer, true, ids);
}

} // namespace skingen
