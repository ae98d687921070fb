// Every page in every language, rendered offscreen: every text must fit its
// control and no two controls may overlap. The renders are written to the
// build folder (camera/pages/docs/) for people to look at.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include "camera/core/string_table.h"
#include "camera/pages/language_page.h"
#include "camera/pages/tests/page_test_support.h"

namespace lumoset {
namespace {

using namespace lumoset::testing;

const char* const kLanguageCodes[kLanguageCount] = {"en", "de", "fr", "it", "es", "nl"};

// Why the text of `widget` does not fit, or empty.
QString misfit(QWidget* widget) {
  QString text;
  int need = 0;
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    text = label->text();
    need = label->fontMetrics().horizontalAdvance(text) + std::max(label->indent(), 0);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    text = group->title();
    need = group->fontMetrics().horizontalAdvance(text) + 16;
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    text = edit->text().isEmpty() ? QStringLiteral("100") : edit->text();
    need = edit->fontMetrics().horizontalAdvance(text) + 8;
  } else if (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget)) {
    // The style's measure: mark or arrow, text and margins.
    need = widget->sizeHint().width();
    if (widget->sizeHint().height() > widget->height())
      return QString("control %1 too low").arg(widget->property(kControlIdProperty).toInt());
  }
  if (need <= widget->width())
    return {};
  return QString("control %1 \"%2\" needs %3, has %4")
      .arg(widget->property(kControlIdProperty).toInt()).arg(text).arg(need).arg(widget->width());
}

// Every pair of controls that overlap, except a group and what it holds.
QStringList overlaps(const SettingsPage& page) {
  QList<QWidget*> leaves;
  for (QWidget* w : page.findChildren<QWidget*>()) {
    if (w->property(kControlIdProperty).isValid() && w->isVisible() &&
        qobject_cast<QGroupBox*>(w) == nullptr)
      leaves << w;
  }
  QStringList found;
  for (int i = 0; i < leaves.size(); ++i) {
    const QRect a(leaves[i]->mapTo(&page, QPoint()), leaves[i]->size());
    for (int j = i + 1; j < leaves.size(); ++j) {
      const QRect b(leaves[j]->mapTo(&page, QPoint()), leaves[j]->size());
      if (a.intersects(b))
        found << QString("%1 and %2").arg(leaves[i]->property(kControlIdProperty).toInt())
                     .arg(leaves[j]->property(kControlIdProperty).toInt());
    }
  }
  return found;
}

TEST(PageRendersTest, EveryPageFitsItsTextsInEveryLanguage) {
  platform::ui::testing::testApplication();
  const QString folder = qEnvironmentVariable("LUMO_BUILD_DIR", QDir::tempPath()) + "/camera/pages/docs";
  ASSERT_TRUE(QDir().mkpath(folder));
  for (int index = 0; index < kLanguageCount; ++index) {
    SCOPED_TRACE(kLanguageCodes[index]);
    CapturedSettings record;
    record.recordSound = 1;
    record.autoSnap = 1;
    int language = index;
    SheetServices services;
    services.programFolder = "/opt/lumoset";
    SettingsSheet sheet(nullptr, record, language, services);
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));

    QList<QImage> shots;
    for (int tab = 0; tab < SettingsSheet::kTabCount; ++tab) {
      ASSERT_TRUE(sheet.selectTab(tab));
      QApplication::processEvents();
      const SettingsPage& page = *sheet.page(tab);
      for (QWidget* w : page.findChildren<QWidget*>()) {
        if (!w->property(kControlIdProperty).isValid() || !w->isVisible())
          continue;
        const QString why = misfit(w);
        EXPECT_TRUE(why.isEmpty()) << "tab " << tab << ": " << why.toStdString();
      }
      EXPECT_TRUE(overlaps(page).isEmpty())
          << "tab " << tab << ": " << overlaps(page).join(", ").toStdString();
      shots << sheet.grab().toImage();
    }
    // The version line fits its strip.
    QWidget* versionStrip = sheet.languagePage()->control(kIdStripFrame);
    const QFontMetrics version(sheet.languagePage()->versionFont());
    EXPECT_LE(version.horizontalAdvance(QString::fromStdString(loadString(LanguagePage::kStrVersionLine))),
              versionStrip->width());
    // Each tab's title fits its tab.
    for (int tab = 0; tab < sheet.tabBar()->count(); ++tab)
      EXPECT_LE(sheet.tabBar()->fontMetrics().horizontalAdvance(sheet.tabBar()->tabText(tab)),
                sheet.tabBar()->tabRect(tab).width());

    QImage render(shots[0].width() * 3 + 20, shots[0].height(), QImage::Format_RGB32);
    render.fill(Qt::white);
    QPainter painter(&render);
    for (int tab = 0; tab < shots.size(); ++tab)
      painter.drawImage(tab * (shots[0].width() + 10), 0, shots[tab]);
    painter.end();
    EXPECT_TRUE(render.save(QString("%1/pages_%2.png").arg(folder, kLanguageCodes[index])));
  }
}

TEST(PageRendersTest, VersionLineIsGreenOnBlackAndCentred) {
  platform::ui::testing::testApplication();
  CapturedSettings record;
  int language = 4;
  SettingsSheet sheet(nullptr, record, language, SheetServices{});
  sheet.show();
  ASSERT_TRUE(sheet.selectTab(SettingsSheet::kTabLanguage));
  QApplication::processEvents();
  QWidget* strip = sheet.languagePage()->control(kIdStripFrame);
  const QImage shot = strip->grab().toImage().convertToFormat(QImage::Format_RGB32);
  int left = shot.width(), right = -1, top = shot.height(), bottom = -1;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      const QRgb p = shot.pixel(x, y);
      ASSERT_EQ(qRed(p), 0);
      ASSERT_EQ(qBlue(p), 0);
      if (qGreen(p) > 128) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  ASSERT_GE(right, 0) << "no green text drawn";
  EXPECT_LE(std::abs(left - (shot.width() - 1 - right)), 3);
  EXPECT_LE(std::abs(top - (shot.height() - 1 - bottom)), 4);
}

} // namespace
} // namespace lumoset
