#include "camera/pages/language_page.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>
#include <array>

#include "camera/core/string_table.h"
#include "camera/pages/page_widgets.h"

namespace lumoset {
namespace {

// Each language's name in itself, the same whatever language is shown.
constexpr std::array<const char*, kLanguageCount> kLanguageNames = {
    "English", "Deutsch", "Français", "Italiano", "Español", "Netherlands"};

// Arial at the line's height, regular, upright, proportional.
QFont makeVersionFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(LanguagePage::kVersionFontHeight);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  font.setStyleHint(QFont::SansSerif);
  font.setFixedPitch(false);
  return font;
}

QString versionLine() { return QString::fromStdString(loadString(LanguagePage::kStrVersionLine)); }

} // namespace

LanguagePage::LanguagePage(int& languageIndex, int languageOffset, QWidget* parent)
    : SettingsPage(languageOffset, parent), languageIndex_(languageIndex) {
  auto* group = addControl(kIdLanguageGroup, new QGroupBox(this));
  auto* groupLayout = new QVBoxLayout(group);
  languages_ = new QButtonGroup(this);
  for (int i = 0; i < kLanguageCount; ++i) {
    auto* radio = addControl(kIdLanguageFirst + i,
                             new QRadioButton(QString::fromUtf8(kLanguageNames[i]), group));
    languages_->addButton(radio, i);
    groupLayout->addWidget(radio);
  }

  auto* strip = addControl(kIdStripFrame, new StripFrame(this, [this](QPainter& p, const QRect& r) {
                             paintVersionLine(p, r);
                           }));
  strip->setFixedHeight(pagewidgets::kStripHeight);

  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(group);
  row->addStretch();
  layout->addLayout(row);
  layout->addStretch();
  layout->addWidget(strip);

  // The strip must hold the whole line.
  const int lineWidth = QFontMetrics(makeVersionFont()).horizontalAdvance(versionLine());
  strip->setMinimumWidth(lineWidth + 2 * pagewidgets::kStripMargin);
}

void LanguagePage::onInitialise() {
  index_ = languageOffset() / kLanguageIdStep;
  if (index_ < 0 || index_ >= kLanguageCount)
    index_ = 0;
  languages_->button(index_)->setChecked(true);

  versionFont_ = makeVersionFont();
}

bool LanguagePage::leave() {
  index_ = std::max(languages_->checkedId(), 0);
  return true;
}

void LanguagePage::apply() {
  index_ = std::max(languages_->checkedId(), 0);
  languageIndex_ = index_;
}

void LanguagePage::paintVersionLine(QPainter& painter, const QRect& rect) {
  painter.fillRect(rect, Qt::black);
  painter.setFont(isInitialised() ? versionFont_ : font());
  painter.setPen(QColor(0, 255, 0));
  const int top = rect.top() + (rect.height() - kVersionTextHeight) / 2;
  const QRect line(rect.left(), top, rect.width(), rect.bottom() - top + 1);
  painter.drawText(line, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, versionLine());
}

} // namespace lumoset
