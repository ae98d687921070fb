#include "camera/pages/page_widgets.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPainter>

#include "camera/resources/skin_resources.h"

namespace lumoset::pagewidgets {

QLineEdit* valueEdit(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);
  edit->setAlignment(Qt::AlignRight);
  return edit;
}

QComboBox* dropDownList(QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setEditable(false);
  list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  // Never narrower than its longest entry, however tight the page.
  list->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  return list;
}

void StripMarks::load(std::initializer_list<const char*> names) {
  for (const char* name : names)
    images_[name] = loadSkinBitmap(name);
}

void StripMarks::draw(QPainter& painter, const QRect& strip, int x, const char* name) const {
  const auto found = images_.find(name);
  if (found == images_.end() || found->second.isNull())
    return;
  const QImage& image = found->second;
  painter.drawImage(QPoint(x, strip.top() + (strip.height() - image.height()) / 2), image);
}

} // namespace lumoset::pagewidgets
