#pragma once
// The settings dialog (template 300): capture size and language. Run
// modally from the camera window's Setting button; on OK the module takes
// the chosen size and language and the camera window and its sliders hear
// the language change at once. The settings file is written later, when the
// camera window is closed.

#include "module/module_settings.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <vector>

class QAbstractButton;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace ostrel2 {

inline constexpr int kSettingDialogTemplate = 300;

// Control ids.
inline constexpr int kIdOkButton = 1;
inline constexpr int kIdCancelButton = 2;
inline constexpr int kIdCaptureSizeGroup = 240;
inline constexpr int kIdLanguageGroup = 1041;
inline constexpr int kIdFirstSizeButton = 2022;    // 2022..2026: capture sizes 1..5
inline constexpr int kIdFirstLanguageButton = 1045; // 1045..1050: languages 0..5

// Sent on OK to the camera window and to each slider: reload your texts
// from the new language block. wParam and lParam 0.
inline constexpr std::uint32_t kUmLanguageChanged = 0x040B;

// Dialog size (pixels); the template's own layout.
inline constexpr int kSettingDialogWidth = 280;
inline constexpr int kSettingDialogHeight = 230;

class CSettingDlg : public QDialog {
public:
    // `cameraWindow` places the dialog and hears the language message with
    // each of `languageListeners`; either may be null / empty.
    CSettingDlg(ModuleSettings& settings, QWidget* cameraWindow, std::vector<QObject*> languageListeners);

    // The control with a dialog id, or null.
    QWidget* control(int id) const;
    // The chosen capture size (valid after OK).
    int chosenWidth() const { return chosenWidth_; }
    int chosenHeight() const { return chosenHeight_; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void chooseSize(int number);
    void chooseLanguage(int language);
    void recheck();
    void placeBelowCaption();

    ModuleSettings& settings_;
    QWidget* cameraWindow_;
    std::vector<QObject*> listeners_;
    QGroupBox* sizeGroup_ = nullptr;
    QGroupBox* languageGroup_ = nullptr;
    std::array<QRadioButton*, kCaptureSizes.size()> sizeButtons_{};
    std::array<QRadioButton*, 6> languageButtons_{};
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    int chosenSizeNumber_;
    int chosenLanguage_;
    // The defaults when no size button is chosen: the current capture size.
    int chosenWidth_;
    int chosenHeight_;
};

} // namespace ostrel2
