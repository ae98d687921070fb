#include "contact_sheet.h"

#include <QLinearGradient>
#include <QFontMetrics>
#include <QPainter>
#include <map>

#include "art_kit.h"

namespace skingen {
namespace {

struct Placed {
  const char* name;
  int x, y;
};

void put(QPainter& p, const ResourceSet& set, const QString& name, int x, int y) {
  const QImage image = set.stored(name);
  if (!image.isNull()) p.drawImage(x, y, image);
}

void fakePreview(QPainter& p, const QRect& r) {
  QLinearGradient sky(r.topLeft(), r.bottomLeft());
  sky.setColorAt(0, QColor(90, 150, 210));
  sky.setColorAt(0.6, QColor(200, 220, 235));
  sky.setColorAt(0.61, QColor(70, 110, 60));
  sky.setColorAt(1, QColor(40, 70, 35));
  p.fillRect(r, sky);
}

QImage cameraWindow(const ResourceSet& s, bool drawerOpen) {
  const int c = 84;  // both albums open
  QImage image = blank(610, 455, QColor(0, 0, 0));
  QPainter p(&image);
  put(p, s, "MAIN_LEFT", 0, 0);
  put(p, s, "MAIN_RIGHT", 526, 0);
  put(p, s, "MAIN_CNTR", c, 0);
  put(p, s, drawerOpen ? "SET_OPEN_LF" : "SET_CLOS_LF", c + 9, 366);
  put(p, s, drawerOpen ? "SET_OPEN_RT" : "SET_CLOS_RT", c + 199, 383);
  put(p, s, "VDO_LITEUP", c + 23, 24);
  put(p, s, drawerOpen ? "PHO_LITEOFF" : "PHO_LITEUP", c + 415, 24);
  put(p, s, drawerOpen ? "ZOOM_OUT" : "ZOOM_NRL", c + 155, 277);
  put(p, s, drawerOpen ? "VIEW_SMAL" : "VIEW_LARG", c + 206, 278);
  put(p, s, drawerOpen ? "GRAY_MODE" : "COLOR_MODE", c + 260, 279);
  put(p, s, drawerOpen ? "REC_LAPS" : "REC_CONU", 11, 411);
  put(p, s, drawerOpen ? "SOUND_RAD" : "SOUND_NO", 11, 386);
  put(p, s, "SIZE_S", 11, 437);
  put(p, s, drawerOpen ? "CAP_AUTO" : "CAP_SINGLE", 526 + 52, 409);
  put(p, s, drawerOpen ? "SIZE_XXL" : "SIZE_L", 526 + 32, 435);
  fakePreview(p, QRect(c + 61, 33, 320, 240));
  p.fillRect(QRect(c + 61, 274, 320, 2), QColor(50, 255, 255));
  p.fillRect(QRect(c + 61, 274, 120, 2), QColor(0, 89, 102));
  p.fillRect(QRect(7, 74, 70, 272), QColor(10, 10, 12));
  p.fillRect(QRect(526 + 7, 74, 70, 272), QColor(10, 10, 12));
  const Placed keys[] = {{"VDO_SWOUTU", 0, 16},         {"VDOBOX_UPU", 32, 51},
                         {"VDOBOX_DNX", 32, 354},       {"PHO_SWOUTU", 502 + c, 16},
                         {"PHOBOX_UPX", 473 + c, 50},   {"PHOBOX_DNU", 473 + c, 354},
                         {"VDO_SWINX", 84, 16},         {"PHO_SWINX", 420 + c, 16},
                         {"ZOOMU", 159 + c, 312},       {"VIEWD", 211 + c, 313},
                         {"COLORU", 264 + c, 312},      {"CLOSEU", 33 + c, 317},
                         {"STOPX", 212 + c, 347},       {"RECU", 266 + c, 336},
                         {"CAPU", 329 + c, 318},        {"PRNTU", 384 + c, 304},
                         {"HELPU", 397 + c, 359}};
  for (const Placed& k : keys) put(p, s, k.name, k.x, k.y);
  put(p, s, "REC_LITE_RED1", 266 + c + 5, 336 + 24);
  if (drawerOpen) {
    const Placed drawerKeys[] = {{"QUALITYU", 262 + c, 407}, {"SPEEDD", 262 + c, 429},
                                 {"RESETU", 408 + c, 397},   {"SETUPU", 396 + c, 420}};
    for (const Placed& k : drawerKeys) put(p, s, k.name, k.x, k.y);
    const int lampX[] = {312, 345, 376};
    for (int i = 0; i < 3; ++i) {
      put(p, s, i == 2 ? "SET_LITEUP" : "SET_LITEOFF", c + lampX[i], 405);
      put(p, s, i == 1 ? "SET_LITEUP" : "SET_LITEOFF", c + lampX[i], 428);
    }
    const Placed grooves[] = {{"HUE_GRV", 30, 394}, {"SAT_GRV", 47, 419}, {"BRT_GRV", 141, 399},
                              {"CNT_GRV", 157, 425}};
    const int offsets[] = {0, 12, -20, 6};
    const QImage thumb = s.stored("296");
    for (int i = 0; i < 4; ++i) {
      put(p, s, grooves[i].name, c + grooves[i].x, grooves[i].y);
      p.drawImage(c + grooves[i].x + 24 + offsets[i], grooves[i].y + 1, thumb.copy(0, 0, 48 - 24 - offsets[i], 13));
    }
  }
  return image;
}

QImage moduleWindow(const ResourceSet& s, bool drawerOpen) {
  QImage image = blank(442, 455, QColor(0, 0, 0));
  QPainter p(&image);
  put(p, s, "149", 0, 0);
  put(p, s, "160", 155, 277);
  put(p, s, "171", 206, 278);
  put(p, s, "174", 260, 279);
  put(p, s, drawerOpen ? "182" : "180", 7, 366);
  put(p, s, drawerOpen ? "183" : "181", 199, 383);
  fakePreview(p, QRect(61, 35, 320, 240));
  const Placed keys[] = {{"164", 159, 312}, {"162", 211, 313}, {"166", 264, 312}, {"158", 33, 317},
                         {"184", 399, 361}};
  for (const Placed& k : keys) put(p, s, k.name, k.x, k.y);
  put(p, s, drawerOpen ? "178" : "176", 245, 335);
  put(p, s, drawerOpen ? "179" : "177", 330, 314);
  if (drawerOpen) {
    const Placed drawerKeys[] = {{"190", 262, 407}, {"192", 262, 429}, {"194", 408, 397}, {"196", 396, 420}};
    for (const Placed& k : drawerKeys) put(p, s, k.name, k.x, k.y);
    const int lampX[] = {312, 345, 376};
    for (int i = 0; i < 3; ++i) {
      put(p, s, i == 0 ? "198" : "199", lampX[i], 405);
      put(p, s, i == 0 ? "198" : "199", lampX[i], 428);
    }
    const Placed grooves[] = {{"207", 30, 394}, {"208", 47, 419}, {"209", 141, 399}, {"210", 157, 425}};
    const QImage thumb = s.stored("SLIDER_ICO");
    for (const Placed& g : grooves) {
      put(p, s, g.name, g.x, g.y);
      p.drawImage(g.x + 24, g.y + 1, thumb.copy(0, 0, 24, 13));
    }
  }
  return image;
}

class Sheet {
public:
  Sheet(int width) : width_(width) {}
  void heading(const QString& text) {
    newRow();
    items_.push_back({QImage(), text, cursor_.x(), cursor_.y(), true});
    cursor_.ry() += 26;
  }
  void add(const QImage& image, const QString& caption, int scale) {
    const QImage shown = scale == 1 ? image : image.scaled(image.size() * scale, Qt::IgnoreAspectRatio,
                                                           Qt::FastTransformation);
    const int captionWidth = QFontMetrics(sans(10, false)).horizontalAdvance(caption);
    const int w = std::max(shown.width(), captionWidth) + 14;
    if (cursor_.x() + w > width_) newRow();
    items_.push_back({shown, caption, cursor_.x(), cursor_.y(), false});
    cursor_.rx() += w;
    rowHeight_ = std::max(rowHeight_, shown.height() + 18);
  }
  void newRow() {
    if (cursor_.x() > 10) {
      cursor_ = QPoint(10, cursor_.y() + rowHeight_ + 8);
      rowHeight_ = 0;
    }
  }
  QImage render() {
    newRow();
    QImage image = blank(width_, cursor_.y() + 10, QColor(205, 208, 212));
    QPainter p(&image);
    // A checkerboard behind transparent pieces.
    for (const Item& item : items_) {
      if (item.heading) {
        p.setPen(QColor(20, 22, 26));
        p.setFont(sans(16, true));
        p.drawText(QRect(item.x, item.y, width_, 24), Qt::AlignLeft | Qt::AlignVCenter, item.caption);
        continue;
      }
      for (int y = 0; y < item.image.height(); y += 6)
        for (int x = 0; x < item.image.width(); x += 6)
          p.fillRect(QRect(item.x + x, item.y + y, std::min(6, item.image.width() - x),
                           std::min(6, item.image.height() - y)),
                     ((x + y) / 6) % 2 ? QColor(180, 180, 180) : QColor(235, 235, 235));
      p.drawImage(item.x, item.y, item.image);
      p.setPen(QColor(20, 22, 26));
      p.setFont(sans(10, false));
      p.drawText(QRect(item.x, item.y + item.image.height() + 1, 200, 14), Qt::AlignLeft | Qt::AlignTop,
                 item.caption);
    }
    return image;
  }

private:
  struct Item {
    QImage image;
    QString caption;
    int x, y;
    bool heading;
  };
  int width_;
  QPoint cursor_{10, 10};
  int rowHeight_ = 0;
  std::vector<Item> items_;
};

void addAll(Sheet& sheet, const ResourceSet& set) {
  std::vector<QString> groups;
  for (const Resource& r : set.resources()) {
    if (std::find(groups.begin(), groups.end(), r.group) == groups.end()) groups.push_back(r.group);
  }
  for (const QString& group : groups) {
    sheet.heading(set.prefix() + " - " + group);
    for (const Resource& r : set.resources()) {
      if (r.group != group) continue;
      const int big = std::max(r.image.width(), r.image.height());
      const int scale = big <= 12 ? 4 : big <= 64 ? 2 : 1;
      QString caption = QString("%1 %2x%3").arg(r.name).arg(r.image.width()).arg(r.image.height());
      if (r.kind == Kind::Bitmap) caption += QString(" %1-bit").arg(r.depth);
      sheet.add(r.image.convertToFormat(QImage::Format_ARGB32_Premultiplied), caption, scale);
    }
  }
}

} // namespace

QImage contactSheet(const ResourceSet& lumoset, const ResourceSet& module) {
  Sheet sheet(1500);
  sheet.heading("Camera program window (drawer closed / open)");
  sheet.add(cameraWindow(lumoset, false), "assembled from the stored bitmaps", 1);
  sheet.add(cameraWindow(lumoset, true), "", 1);
  sheet.heading("Scanner module window (drawer closed / open, erase and transfer shown)");
  sheet.add(moduleWindow(module, false), "", 1);
  sheet.add(moduleWindow(module, true), "", 1);
  addAll(sheet, lumoset);
  addAll(sheet, module);
  return sheet.render();
}

} // namespace skingen
