#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include "platform/ui/file_dialog.h"
#include "platform/ui/testing/scripted_file_dialogs.h"
#include "platform/ui/testing/test_application.h"

namespace ui = platform::ui;

TEST(FileDialogTest, FilterStringSplitsIntoDescribedPatternGroups) {
  const auto filters = ui::parseFileFilter("PCX Files (*.pcx)|*.pcx|Pictures|*.bmp; *.tif|"
                                           "Dangling|");
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].description, "PCX Files (*.pcx)");
  EXPECT_EQ(filters[0].patterns, std::vector<std::string>{"*.pcx"});
  EXPECT_EQ(filters[1].patterns, (std::vector<std::string>{"*.bmp", "*.tif"}));
  EXPECT_TRUE(ui::parseFileFilter("").empty());
  EXPECT_TRUE(ui::parseFileFilter("||||").empty());
}

TEST(FileDialogTest, ScriptedServiceIsInstalledForItsLifetimeAndAnswersInOrder) {
  ui::FileDialogService* before = &ui::fileDialogService();
  {
    ui::testing::ScriptedFileDialogs dialogs;
    EXPECT_EQ(&ui::fileDialogService(), &dialogs);
    dialogs.answerWith("/tmp/a.tif");
    dialogs.answerCancel();
    ui::FileDialogRequest request;
    request.defaultName = "Capture";
    EXPECT_EQ(ui::fileDialogService().choose(nullptr, request), std::optional<std::string>("/tmp/a.tif"));
    EXPECT_FALSE(ui::fileDialogService().choose(nullptr, request).has_value());
    EXPECT_FALSE(ui::fileDialogService().choose(nullptr, request).has_value());
    ASSERT_EQ(dialogs.requests().size(), 3u);
    EXPECT_EQ(dialogs.requests()[0].request.defaultName, "Capture");
  }
  EXPECT_EQ(&ui::fileDialogService(), before);
}

TEST(FileDialogTest, QtDialogCarriesNameExtensionAndFilters) {
  ui::testing::testApplication();
  QString suffix, firstFilter;
  qsizetype filters = 0;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    suffix = dialog->defaultSuffix();
    filters = dialog->nameFilters().size();
    firstFilter = dialog->nameFilters().value(0);
    dialog->reject();
  });
  ui::FileDialogRequest request;
  request.defaultName = "Capture";
  request.defaultExtension = "bmp";
  request.filter = "PCX Files (*.pcx)|*.pcx|Bitmaps|*.bmp;*.dib|";
  EXPECT_FALSE(ui::qtFileDialogService().choose(nullptr, request).has_value());
  EXPECT_EQ(suffix, "bmp");
  EXPECT_EQ(filters, 2);
  EXPECT_EQ(firstFilter, "PCX Files (*.pcx)");
}
