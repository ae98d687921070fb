// The settings dialog with real clicks: texts of the language, checked
// buttons, the choice on OK, the language message, and Cancel.
#include "module/setting_dlg.h"
#include "platform/ui/testing/test_application.h"
#include "platform/ui/window_message.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace ostrel2;

namespace {

// A window that counts the language messages it hears.
class ListeningWidget final : public QWidget, public platform::ui::MessageTarget {
public:
    std::intptr_t windowMessage(std::uint32_t message, std::uintptr_t, std::intptr_t) override
    {
        if (message == kUmLanguageChanged)
            ++languageMessages;
        return 0;
    }
    int languageMessages = 0;
};

QRadioButton* radio(const CSettingDlg& dialog, int id)
{
    return qobject_cast<QRadioButton*>(dialog.control(id));
}

class SettingDialog : public ::testing::Test {
protected:
    // Before any widget member.
    QApplication& app = platform::ui::testing::testApplication();
    ModuleSettings settings;
    ListeningWidget cameraWindow;
    std::array<ListeningWidget, 4> sliders;
    std::vector<QObject*> sliderObjects() { return {&sliders[0], &sliders[1], &sliders[2], &sliders[3]}; }
};

} // namespace

TEST_F(SettingDialog, ChoosingDeutschAndASizeTakesEffectOnOk)
{
    settings.captureSizeNumber = 2;
    CSettingDlg dialog(settings, &cameraWindow, sliderObjects());
    EXPECT_EQ(dialog.windowTitle(), "Advance Settings");
    EXPECT_EQ(qobject_cast<QGroupBox*>(dialog.control(kIdCaptureSizeGroup))->title(), "Capture Size");
    EXPECT_EQ(qobject_cast<QGroupBox*>(dialog.control(kIdLanguageGroup))->title(), "Language");
    EXPECT_EQ(qobject_cast<QPushButton*>(dialog.control(kIdCancelButton))->text(), "Cancel");
    EXPECT_TRUE(radio(dialog, 2023)->isChecked());
    EXPECT_TRUE(radio(dialog, 1045)->isChecked());
    EXPECT_EQ(radio(dialog, 1050)->text(), "Netherlands");

    dialog.show();
    QTest::mouseClick(radio(dialog, 1046), Qt::LeftButton);
    QTest::mouseClick(radio(dialog, 2026), Qt::LeftButton);
    // The two groups do not clear each other.
    EXPECT_TRUE(radio(dialog, 1046)->isChecked());
    EXPECT_TRUE(radio(dialog, 2026)->isChecked());
    EXPECT_FALSE(radio(dialog, 2023)->isChecked());
    EXPECT_EQ(settings.language, 0);  // nothing changes before OK

    QTest::mouseClick(dialog.control(kIdOkButton), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenWidth(), 640);
    EXPECT_EQ(dialog.chosenHeight(), 480);
    EXPECT_EQ(settings.language, 1);
    EXPECT_EQ(settings.captureSizeNumber, 5);
    EXPECT_EQ(cameraWindow.languageMessages, 1);
    for (const auto& slider : sliders)
        EXPECT_EQ(slider.languageMessages, 1);

    // Opened again, it speaks German.
    CSettingDlg again(settings, &cameraWindow, {});
    EXPECT_EQ(again.windowTitle(), "Erweiterte Einstellungen");
    EXPECT_EQ(qobject_cast<QPushButton*>(again.control(kIdCancelButton))->text(), "Abbrechen");
}

TEST_F(SettingDialog, CancelChangesNothingAndUnknownValuesCheckNoButton)
{
    settings.language = 7;
    settings.captureSizeNumber = 0;
    CSettingDlg dialog(settings, &cameraWindow, sliderObjects());
    for (int id = 2022; id <= 2026; ++id)
        EXPECT_FALSE(radio(dialog, id)->isChecked());
    for (int id = 1045; id <= 1050; ++id)
        EXPECT_FALSE(radio(dialog, id)->isChecked());
    EXPECT_EQ(dialog.windowTitle(), "");  // language 7 has no texts

    dialog.show();
    QTest::mouseClick(radio(dialog, 1049), Qt::LeftButton);
    QTest::mouseClick(dialog.control(kIdCancelButton), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(settings.language, 7);
    EXPECT_EQ(cameraWindow.languageMessages, 0);

    // OK without a size button keeps the module's size.
    CSettingDlg second(settings, &cameraWindow, {});
    second.show();
    QTest::mouseClick(radio(second, 1049), Qt::LeftButton);
    QTest::mouseClick(second.control(kIdOkButton), Qt::LeftButton);
    EXPECT_EQ(settings.language, 4);
    EXPECT_EQ(settings.captureSizeNumber, 0);
}

TEST_F(SettingDialog, OpensOneCaptionBelowTheCameraWindowsTop)
{
    cameraWindow.setGeometry(200, 150, 442, 455);
    cameraWindow.show();
    CSettingDlg dialog(settings, &cameraWindow, {});
    dialog.show();
    const int caption = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
    EXPECT_EQ(dialog.pos().y(), cameraWindow.frameGeometry().top() + caption);
    EXPECT_EQ(dialog.size(), QSize(kSettingDialogWidth, kSettingDialogHeight));
}
