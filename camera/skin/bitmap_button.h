#pragma once
// An owner-drawn push button showing one of its bitmaps, loaded by resource
// name: the down bitmap while pressed; while disabled the disabled bitmap
// if it has one, else the up bitmap; otherwise the up bitmap. It has no
// focus bitmap. A click sends the command message (clicked, control id) to
// the parent.

#include <QAbstractButton>
#include <QImage>
#include <string_view>

namespace lumoset {

class BitmapButton : public QAbstractButton {
public:
  enum class Face { Up, Down, Disabled };

  explicit BitmapButton(QWidget* parent = nullptr);

  // Loads the bitmaps; `disabled` may be empty (none). False, with nothing
  // changed, when a named bitmap is missing.
  bool loadBitmaps(std::string_view up, std::string_view down, std::string_view disabled = {});
  // Gives the button the size of its up bitmap.
  void sizeToContent();

  int controlId() const { return controlId_; }
  // The bitmap the drawing rule picks in the current state.
  Face face() const;
  const QImage& bitmap(Face face) const;

protected:
  void setControlId(int id) { controlId_ = id; }
  void paintEvent(QPaintEvent* event) override;

private:
  QImage up_, down_, disabled_;
  int controlId_ = 0;
};

} // namespace lumoset
