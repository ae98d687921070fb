#include "camera/pages/settings_sheet.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

#include "camera/core/string_table.h"
#include "camera/pages/language_page.h"
#include "camera/pages/picture_page.h"
#include "camera/pages/video_page.h"
#include "platform/ui/message_box.h"

namespace lumoset {

SettingsSheet::SettingsSheet(QWidget* owner, CapturedSettings& record, int& languageIndex,
                             const SheetServices& services)
    : QDialog(owner) {
  const int index = (languageIndex >= 0 && languageIndex < kLanguageCount) ? languageIndex : 0;
  const int offset = index * kLanguageIdStep;
  setWindowTitle(QString::fromStdString(loadString(kStrCaption + offset)));
  setModal(true);

  tabs_ = new QTabBar(this);
  tabs_->setDrawBase(true);
  stack_ = new QStackedWidget(this);
  video_ = new VideoPage(record, offset);
  picture_ = new PicturePage(record, offset, services.programFolder, services.fileDialogs);
  language_ = new LanguagePage(languageIndex, offset);
  pages_ = {video_, picture_, language_};
  const std::array<int, kTabCount> titles = {VideoPage::kStrTabTitle, PicturePage::kStrTabTitle,
                                             LanguagePage::kStrTabTitle};
  for (int tab = 0; tab < kTabCount; ++tab) {
    tabs_->addTab(QString::fromStdString(loadString(titles[tab] + offset)));
    stack_->addWidget(pages_[tab]);
  }

  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons_, &QDialogButtonBox::accepted, this, &SettingsSheet::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &SettingsSheet::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(stack_, 1);
  layout->addWidget(buttons_);
  layout->setSizeConstraint(QLayout::SetMinimumSize);

  stack_->setCurrentIndex(kTabVideo);
  connect(tabs_, &QTabBar::currentChanged, this, &SettingsSheet::tabChanged);
  buttons_->button(QDialogButtonBox::Ok)->setDefault(true);
}

SettingsPage* SettingsSheet::page(int tab) const {
  return (tab >= 0 && tab < kTabCount) ? pages_[tab] : nullptr;
}

int SettingsSheet::currentTab() const { return stack_->currentIndex(); }

bool SettingsSheet::selectTab(int tab) {
  if (tab < 0 || tab >= kTabCount)
    return false;
  tabs_->setCurrentIndex(tab);
  return currentTab() == tab;
}

void SettingsSheet::showPage(int tab) {
  pages_[tab]->initialise();
  stack_->setCurrentIndex(tab);
}

void SettingsSheet::tabChanged(int tab) {
  if (revertingTab_ || tab < 0 || tab == currentTab())
    return;
  // The tab bar has already moved; put it back when the page refuses, before
  // the new page is ever initialised.
  if (!pages_[currentTab()]->leave()) {
    revertingTab_ = true;
    tabs_->setCurrentIndex(currentTab());
    revertingTab_ = false;
    return;
  }
  showPage(tab);
}

void SettingsSheet::accept() {
  if (!pages_[currentTab()]->leave())
    return;
  for (SettingsPage* page : pages_) {
    if (page->isInitialised())
      page->apply();
  }
  QDialog::accept();
}

void SettingsSheet::showEvent(QShowEvent* event) {
  // The first page is initialised once the sheet is on screen, with the
  // style and fonts its lists are measured in.
  if (!pages_[currentTab()]->isInitialised())
    showPage(currentTab());
  QDialog::showEvent(event);
}

void SettingsSheet::keyPressEvent(QKeyEvent* event) {
  // Ctrl+Tab and Ctrl+Shift+Tab walk the tabs, as on any tabbed dialog.
  const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
  if (control && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)) {
    const int step = event->key() == Qt::Key_Backtab ? kTabCount - 1 : 1;
    selectTab((currentTab() + step) % kTabCount);
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

int runSettingsSheet(QWidget* owner, CapturedSettings& live, int& languageIndex,
                     const SheetServices& services) {
  SettingsSheet sheet(owner, live, languageIndex, services);
  return sheet.exec() == QDialog::Accepted ? platform::ui::kIdOk : platform::ui::kIdCancel;
}

} // namespace lumoset
