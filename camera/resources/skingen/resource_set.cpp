#include "resource_set.h"

#include <QDir>
#include <QFile>
#include <QTextStream>
#include <stdexcept>

#include "quantize.h"

namespace skingen {

static QString folderOf(Kind kind) {
  switch (kind) {
  case Kind::Bitmap: return QStringLiteral("bitmaps");
  case Kind::Cursor: return QStringLiteral("cursors");
  case Kind::Icon: return QStringLiteral("icons");
  }
  return {};
}

static QString suffixOf(Kind kind) { return kind == Kind::Bitmap ? ".bmp" : ".png"; }

static void checkUnique(const std::vector<Resource>& all, const QString& name, Kind kind) {
  for (const Resource& r : all) {
    if (r.name == name && r.kind == kind) {
      throw std::runtime_error("resource drawn twice: " + name.toStdString());
    }
  }
}

void ResourceSet::bitmap(const QString& group, const QString& name, const QImage& image,
                         int depth) {
  checkUnique(resources_, name, Kind::Bitmap);
  Resource r;
  r.kind = Kind::Bitmap;
  r.group = group;
  r.name = name;
  r.depth = depth;
  r.image = depth == 8 ? toIndexed8(image) : image.convertToFormat(QImage::Format_RGB888);
  resources_.push_back(std::move(r));
}

void ResourceSet::cursor(const QString& group, const QString& name, const QImage& image,
                         QPoint hotSpot) {
  checkUnique(resources_, name, Kind::Cursor);
  Resource r;
  r.kind = Kind::Cursor;
  r.group = group;
  r.name = name;
  r.image = image.convertToFormat(QImage::Format_ARGB32);
  r.image.setText(QStringLiteral("HotSpotX"), QString::number(hotSpot.x()));
  r.image.setText(QStringLiteral("HotSpotY"), QString::number(hotSpot.y()));
  r.hotSpot = hotSpot;
  resources_.push_back(std::move(r));
}

void ResourceSet::icon(const QString& group, const QString& name, const QImage& image) {
  checkUnique(resources_, name, Kind::Icon);
  Resource r;
  r.kind = Kind::Icon;
  r.group = group;
  r.name = name;
  r.image = image.convertToFormat(QImage::Format_ARGB32);
  resources_.push_back(std::move(r));
}

const Resource* ResourceSet::find(const QString& name) const {
  for (const Resource& r : resources_) {
    if (r.name == name) return &r;
  }
  return nullptr;
}

QImage ResourceSet::stored(const QString& name) const {
  const Resource* r = find(name);
  return r == nullptr ? QImage() : r->image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool ResourceSet::write(const QString& dir, QString* error) const {
  QDir root(dir);
  QString qrc;
  QTextStream out(&qrc);
  out << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/" << prefix_ << "\">\n";
  for (const Resource& r : resources_) {
    const QString relative = prefix_ + "/" + folderOf(r.kind) + "/" + r.name + suffixOf(r.kind);
    if (!root.mkpath(QFileInfo(root.filePath(relative)).path())) {
      *error = "cannot create the folder of " + relative;
      return false;
    }
    const char* format = r.kind == Kind::Bitmap ? "BMP" : "PNG";
    if (!r.image.save(root.filePath(relative), format)) {
      *error = "cannot write " + relative;
      return false;
    }
    out << "  <file alias=\"" << folderOf(r.kind) << "/" << r.name << suffixOf(r.kind) << "\">"
        << relative << "</file>\n";
  }
  out << "</qresource>\n</RCC>\n";
  out.flush();
  QFile file(root.filePath(prefix_ + "_skin.qrc"));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(qrc.toUtf8()) != qrc.toUtf8().size()) {
    *error = "cannot write " + file.fileName();
    return false;
  }
  return true;
}

} // namespace skingen
