#pragma once
// The Language page of the settings sheet: one of the six interface
// languages, and the program's version line at the bottom.

#include <QFont>

#include "camera/pages/settings_page.h"

class QButtonGroup;

namespace lumoset {

class LanguagePage final : public SettingsPage {
public:
  static constexpr int kDialogId = 143;

  static constexpr int kIdLanguageGroup = 1103;
  static constexpr int kIdLanguageFirst = 1097;  // 1097..1102, languages 0..5

  static constexpr int kStrTabTitle = 10600;
  // The program's name and version: one text for every language.
  static constexpr int kStrVersionLine = 15601;

  // The version line: Arial at this pixel height, green on black, centred
  // as a line of this height.
  static constexpr int kVersionFontHeight = 15;
  static constexpr int kVersionTextHeight = 14;

  // `languageIndex` is written on OK.
  LanguagePage(int& languageIndex, int languageOffset, QWidget* parent = nullptr);

  bool leave() override;
  void apply() override;

  const QFont& versionFont() const { return versionFont_; }

private:
  void onInitialise() override;
  void paintVersionLine(QPainter& painter, const QRect& rect);

  int& languageIndex_;
  QButtonGroup* languages_ = nullptr;
  QFont versionFont_;
  int index_ = 0;
};

} // namespace lumoset
