#pragma once
// The settings sheet: a modal dialog with the Video, Picture and Language
// pages on three tabs and only OK and Cancel. Pages are built when the sheet
// is, initialised when first shown, asked before they are left (a page that
// refuses keeps its tab), and on OK every page that was shown writes its
// values: the Video and Picture pages into the captured-settings record,
// the Language page the language index. Cancel writes nothing.

#include <QDialog>
#include <array>
#include <string>

#include "camera/core/captured_settings.h"

class QDialogButtonBox;
class QStackedWidget;
class QTabBar;

namespace platform::ui {
class FileDialogService;
}

namespace lumoset {

class SettingsPage;
class VideoPage;
class PicturePage;
class LanguagePage;

struct SheetServices {
  // The folder of the running program: the default series file lives there.
  std::string programFolder;
  // Browse's file dialogs; null for the installed service.
  platform::ui::FileDialogService* fileDialogs = nullptr;
};

class SettingsSheet final : public QDialog {
public:
  static constexpr int kStrCaption = 10312;
  static constexpr int kTabVideo = 0;
  static constexpr int kTabPicture = 1;
  static constexpr int kTabLanguage = 2;
  static constexpr int kTabCount = 3;

  // `record` and `languageIndex` (0..5; anything else shows English) must
  // outlive the sheet; they change only when the sheet is closed with OK.
  SettingsSheet(QWidget* owner, CapturedSettings& record, int& languageIndex,
                const SheetServices& services);

  VideoPage* videoPage() const { return video_; }
  PicturePage* picturePage() const { return picture_; }
  LanguagePage* languagePage() const { return language_; }
  SettingsPage* page(int tab) const;
  QTabBar* tabBar() const { return tabs_; }
  QDialogButtonBox* buttons() const { return buttons_; }
  int currentTab() const;

  // Switches to `tab` as a click on its tab would: refused (false) while the
  // current page does not let the user leave.
  bool selectTab(int tab);

  // OK: closes the sheet with the pages' values unless the current page
  // refuses to be left.
  void accept() override;

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  void tabChanged(int tab);
  void showPage(int tab);

  QTabBar* tabs_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
  VideoPage* video_ = nullptr;
  PicturePage* picture_ = nullptr;
  LanguagePage* language_ = nullptr;
  std::array<SettingsPage*, kTabCount> pages_{};
  bool revertingTab_ = false;
};

// Runs the sheet modally over `owner` (the main window's entry point).
// Returns platform::ui::kIdOk when it was closed with OK (`live` and
// `languageIndex` may then hold new values), kIdCancel otherwise (both
// untouched). Afterwards the caller compares `live` with its last applied
// copy: see sheet_changes.h.
int runSettingsSheet(QWidget* owner, CapturedSettings& live, int& languageIndex,
                     const SheetServices& services);

} // namespace lumoset
