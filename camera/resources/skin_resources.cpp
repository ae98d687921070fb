#include "camera/resources/skin_resources.h"

#include <QFile>
#include <QPixmap>
#include <QString>
#include <mutex>
#include <set>
#include <string>

#include "camera/resources/testing/missing_skin_resources.h"

static void initialiseSkinResources() { Q_INIT_RESOURCE(lumoset_skin); }

namespace lumoset {
namespace {

std::set<std::string, std::less<>>& missing() {
  static std::set<std::string, std::less<>> names;
  return names;
}

bool validName(std::string_view name) {
  if (name.empty() || name.size() > 64) return false;
  for (char c : name) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!ok) return false;
  }
  return true;
}

QString path(std::string_view folder, std::string_view name, std::string_view suffix) {
  static std::once_flag once;
  std::call_once(once, initialiseSkinResources);
  return QStringLiteral(":/lumoset/") + QString::fromLatin1(folder.data(), qsizetype(folder.size())) +
         QLatin1Char('/') + QString::fromLatin1(name.data(), qsizetype(name.size())) +
         QString::fromLatin1(suffix.data(), qsizetype(suffix.size()));
}

QImage load(std::string_view folder, std::string_view name, std::string_view suffix) {
  if (!validName(name) || missing().count(name) != 0) return QImage();
  return QImage(path(folder, name, suffix));
}

} // namespace

QImage loadSkinBitmap(std::string_view name) { return load("bitmaps", name, ".bmp"); }

QImage loadSkinIconImage(std::string_view name) { return load("icons", name, ".png"); }

QIcon loadSkinIcon(std::string_view name) {
  const QImage main = loadSkinIconImage(name);
  if (main.isNull()) return QIcon();
  QIcon icon(QPixmap::fromImage(main));
  const std::string small = std::string(name) + "_16";
  const QImage smallImage = loadSkinIconImage(small);
  if (!smallImage.isNull()) icon.addPixmap(QPixmap::fromImage(smallImage));
  return icon;
}

std::optional<QCursor> loadSkinCursor(std::string_view name) {
  const QImage image = load("cursors", name, ".png");
  if (image.isNull()) return std::nullopt;
  bool okX = false, okY = false;
  int x = image.text(QStringLiteral("HotSpotX")).toInt(&okX);
  int y = image.text(QStringLiteral("HotSpotY")).toInt(&okY);
  if (!okX || !okY || x < 0 || y < 0 || x >= image.width() || y >= image.height()) {
    x = 0;
    y = 0;
  }
  return QCursor(QPixmap::fromImage(image), x, y);
}

namespace testing {

MissingSkinResources::MissingSkinResources(std::initializer_list<std::string_view> names) {
  for (std::string_view n : names) {
    if (missing().insert(std::string(n)).second) added_.emplace_back(n);
  }
}

MissingSkinResources::~MissingSkinResources() {
  for (const std::string& n : added_) missing().erase(n);
}

} // namespace testing
} // namespace lumoset
