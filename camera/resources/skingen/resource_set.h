#pragma once
// The generator's output: named bitmaps (8-bit with a palette or 24-bit BMP),
// cursors and icons (PNG with alpha; a cursor keeps its hot spot as PNG
// text), written under one folder with a Qt resource file that lists them.

#include <QImage>
#include <QPoint>
#include <QString>
#include <vector>

namespace skingen {

enum class Kind { Bitmap, Cursor, Icon };

struct Resource {
  Kind kind = Kind::Bitmap;
  QString name;
  QString group;  // for the contact sheet
  QImage image;   // as drawn (32-bit)
  int depth = 24; // bitmaps: 8 or 24
  QPoint hotSpot;
};

class ResourceSet {
public:
  explicit ResourceSet(QString prefix) : prefix_(std::move(prefix)) {}

  void bitmap(const QString& group, const QString& name, const QImage& image, int depth);
  void cursor(const QString& group, const QString& name, const QImage& image, QPoint hotSpot);
  void icon(const QString& group, const QString& name, const QImage& image);

  // Writes every file under dir/<prefix>/ and dir/<prefix>_skin.qrc.
  bool write(const QString& dir, QString* error) const;

  const std::vector<Resource>& resources() const { return resources_; }
  const Resource* find(const QString& name) const;
  // The bitmap as stored (after the reduction to 8 bits), for composing.
  QImage stored(const QString& name) const;
  const QString& prefix() const { return prefix_; }

private:
  QString prefix_;
  std::vector<Resource> resources_;
};

} // namespace skingen
