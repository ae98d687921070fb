#include "module/setting_dlg.h"

#include "module/module_strings.h"
#include "platform/ui/window_message.h"

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace ostrel2 {
namespace {

constexpr const char* kInitialTitle = "Setting";
constexpr std::array<const char*, kCaptureSizes.size()> kSizeLabels = {
    "160*120", "176*144", "320*240", "352*288", "640*480"};
// The language names are the template's and stay the same in every language.
constexpr std::array<const char*, kLanguageCount> kLanguageLabels = {
    "English", "Deutsch", "Français", "Italiano", "Español", "Netherlands"};

// Template layout: two group frames side by side, buttons below.
constexpr QRect kSizeGroupRect{10, 10, 125, 170};
constexpr QRect kLanguageGroupRect{145, 10, 125, 170};
constexpr int kRadioLeft = 12;
constexpr int kRadioTop = 22;
constexpr int kRadioStep = 24;
constexpr QSize kRadioSize{105, 20};
constexpr QRect kOkRect{60, 192, 75, 26};
constexpr QRect kCancelRect{145, 192, 75, 26};

void tagWithId(QWidget* widget, int id)
{
    widget->setObjectName(QString::number(id));
}

} // namespace

CSettingDlg::CSettingDlg(ModuleSettings& settings, QWidget* cameraWindow, std::vector<QObject*> languageListeners)
    : QDialog(cameraWindow),
      settings_(settings),
      cameraWindow_(cameraWindow),
      listeners_(std::move(languageListeners)),
      chosenSizeNumber_(settings.captureSizeNumber),
      chosenLanguage_(settings.language),
      chosenWidth_(settings.captureSize().width),
      chosenHeight_(settings.captureSize().height)
{
    setModal(true);
    setFixedSize(kSettingDialogWidth, kSettingDialogHeight);
    const int language = settings_.language;
    setWindowTitle(kInitialTitle);
    setWindowTitle(QString::fromStdString(moduleString(language, kStrAdvanceSettings)));

    sizeGroup_ = new QGroupBox(QString::fromStdString(moduleString(language, kStrCaptureSize)), this);
    sizeGroup_->setGeometry(kSizeGroupRect);
    tagWithId(sizeGroup_, kIdCaptureSizeGroup);
    languageGroup_ = new QGroupBox(QString::fromStdString(moduleString(language, kStrLanguage)), this);
    languageGroup_->setGeometry(kLanguageGroupRect);
    tagWithId(languageGroup_, kIdLanguageGroup);

    for (std::size_t i = 0; i < sizeButtons_.size(); ++i) {
        auto* button = new QRadioButton(kSizeLabels[i], sizeGroup_);
        button->setGeometry(QRect(QPoint(kRadioLeft, kRadioTop + kRadioStep * static_cast<int>(i)), kRadioSize));
        tagWithId(button, kIdFirstSizeButton + static_cast<int>(i));
        const int number = kFirstCaptureSizeNumber + static_cast<int>(i);
        connect(button, &QRadioButton::clicked, this, [this, number] { chooseSize(number); });
        sizeButtons_[i] = button;
    }
    for (std::size_t i = 0; i < languageButtons_.size(); ++i) {
        auto* button = new QRadioButton(QString::fromUtf8(kLanguageLabels[i]), languageGroup_);
        button->setGeometry(QRect(QPoint(kRadioLeft, kRadioTop + kRadioStep * static_cast<int>(i)), kRadioSize));
        tagWithId(button, kIdFirstLanguageButton + static_cast<int>(i));
        const int index = static_cast<int>(i);
        connect(button, &QRadioButton::clicked, this, [this, index] { chooseLanguage(index); });
        languageButtons_[i] = button;
    }

    okButton_ = new QPushButton(QString::fromStdString(moduleString(language, kStrOk)), this);
    okButton_->setGeometry(kOkRect);
    okButton_->setDefault(true);
    tagWithId(okButton_, kIdOkButton);
    connect(okButton_, &QPushButton::clicked, this, &CSettingDlg::accept);
    cancelButton_ = new QPushButton(QString::fromStdString(moduleString(language, kStrCancel)), this);
    cancelButton_->setGeometry(kCancelRect);
    tagWithId(cancelButton_, kIdCancelButton);
    connect(cancelButton_, &QPushButton::clicked, this, &CSettingDlg::reject);

    // Numbers outside the groups' ranges check no button.
    CaptureSize size{};
    if (captureSizeForNumber(chosenSizeNumber_, size)) {
        chosenWidth_ = size.width;
        chosenHeight_ = size.height;
    }
    recheck();
}

QWidget* CSettingDlg::control(int id) const
{
    if (id == kIdCaptureSizeGroup)
        return sizeGroup_;
    if (id == kIdLanguageGroup)
        return languageGroup_;
    if (id == kIdOkButton)
        return okButton_;
    if (id == kIdCancelButton)
        return cancelButton_;
    if (id >= kIdFirstSizeButton && id < kIdFirstSizeButton + static_cast<int>(sizeButtons_.size()))
        return sizeButtons_[static_cast<std::size_t>(id - kIdFirstSizeButton)];
    if (id >= kIdFirstLanguageButton && id < kIdFirstLanguageButton + static_cast<int>(languageButtons_.size()))
        return languageButtons_[static_cast<std::size_t>(id - kIdFirstLanguageButton)];
    return nullptr;
}

void CSettingDlg::recheck()
{
    // Radio buttons of a group clear each other only when one is checked;
    // to show "none" the group's exclusivity is lifted for a moment.
    const auto checkOnly = [](auto& buttons, int index) {
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            buttons[i]->setAutoExclusive(false);
            buttons[i]->setChecked(static_cast<int>(i) == index);
            buttons[i]->setAutoExclusive(true);
        }
    };
    checkOnly(sizeButtons_, chosenSizeNumber_ - kFirstCaptureSizeNumber);
    checkOnly(languageButtons_, chosenLanguage_);
}

void CSettingDlg::chooseSize(int number)
{
    CaptureSize size{};
    if (!captureSizeForNumber(number, size))
        return;
    chosenSizeNumber_ = number;
    chosenWidth_ = size.width;
    chosenHeight_ = size.height;
    recheck();
}

void CSettingDlg::chooseLanguage(int language)
{
    chosenLanguage_ = language;
    recheck();
}

void CSettingDlg::accept()
{
    settings_.language = chosenLanguage_;
    // Without a chosen size button the module keeps its capture size.
    CaptureSize size{};
    if (captureSizeForNumber(chosenSizeNumber_, size))
        settings_.captureSizeNumber = chosenSizeNumber_;
    if (cameraWindow_ != nullptr)
        platform::ui::sendMessage(cameraWindow_, kUmLanguageChanged, 0, 0);
    for (QObject* listener : listeners_)
        platform::ui::sendMessage(listener, kUmLanguageChanged, 0, 0);
    QDialog::accept();
}

void CSettingDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    placeBelowCaption();
}

void CSettingDlg::placeBelowCaption()
{
    if (cameraWindow_ == nullptr)
        return;
    // The top edge one caption height below the top of the camera window's
    // frame; left edge and size stay.
    const QWidget* frame = cameraWindow_->window();
    const int caption = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
    move(pos().x(), frame->frameGeometry().top() + caption);
}

} // namespace ostrel2
