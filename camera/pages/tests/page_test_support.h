#pragma once
// Driving the sheet as a user would: clicks, typing, list keys.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include "camera/pages/settings_page.h"
#include "camera/pages/settings_sheet.h"
#include "platform/ui/testing/test_application.h"

namespace lumoset::testing {

inline QWidget* controlOf(const SettingsSheet& sheet, int tab, int id) {
  QWidget* widget = sheet.page(tab)->control(id);
  EXPECT_NE(widget, nullptr) << "no control " << id << " on tab " << tab;
  return widget;
}

// A click where the user would click: a radio or check box on its mark.
inline void clickOn(QWidget* widget) {
  const bool hasMark = widget->inherits("QRadioButton") || widget->inherits("QCheckBox");
  const QPoint at = hasMark ? QPoint(8, widget->height() / 2) : widget->rect().center();
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
}

inline void typeInto(QWidget* widget, const QString& text) {
  auto* edit = qobject_cast<QLineEdit*>(widget);
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

// Picks entry `index` of a drop-down list with the keyboard.
inline void chooseEntry(QWidget* widget, int index) {
  auto* list = qobject_cast<QComboBox*>(widget);
  ASSERT_NE(list, nullptr);
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Home);
  for (int i = 0; i < index; ++i)
    QTest::keyClick(list, Qt::Key_Down);
  ASSERT_EQ(list->currentIndex(), index);
}

inline QStringList entriesOf(QWidget* widget) {
  QStringList entries;
  if (auto* list = qobject_cast<QComboBox*>(widget)) {
    for (int i = 0; i < list->count(); ++i)
      entries << list->itemText(i);
  }
  return entries;
}

inline void clickTab(SettingsSheet& sheet, int tab) {
  QTabBar* bar = sheet.tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(tab).center());
}

inline void clickButton(SettingsSheet& sheet, QDialogButtonBox::StandardButton which) {
  QTest::mouseClick(sheet.buttons()->button(which), Qt::LeftButton);
}

} // namespace lumoset::testing
