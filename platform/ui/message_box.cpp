#include "platform/ui/message_box.h"

#include <QMessageBox>
#include <QString>
#include <QWidget>

namespace platform::ui {
namespace {

class QtMessageBoxes final : public MessageBoxService {
public:
  int show(QWidget* owner, const std::string& text, const std::string& caption,
           unsigned style) override {
    QMessageBox box(owner);
    box.setText(QString::fromStdString(text));
    box.setWindowTitle(QString::fromStdString(caption));
    switch (style & kMbIconMask) {
    case kMbIconError: box.setIcon(QMessageBox::Critical); break;
    case kMbIconQuestion: box.setIcon(QMessageBox::Question); break;
    case kMbIconWarning: box.setIcon(QMessageBox::Warning); break;
    case kMbIconInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (style & kMbButtonMask) {
    case kMbOkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case kMbYesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
    case kMbYesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    if ((style & kMbTaskModal) != 0 || owner == nullptr) {
      box.setWindowModality(Qt::ApplicationModal);
    }
    if ((style & kMbSetForeground) != 0) {
      box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return kIdYes;
    case QMessageBox::No: return kIdNo;
    case QMessageBox::Cancel: return kIdCancel;
    case QMessageBox::Ok: return kIdOk;
    default:
      // Closed by the window frame: the answer a cancel would give, or OK
      // when the box had only OK.
      return (style & kMbButtonMask) == kMbOk ? kIdOk
             : (style & kMbButtonMask) == kMbYesNo ? kIdNo
                                                   : kIdCancel;
    }
  }
};

MessageBoxService* installed = nullptr;

} // namespace

MessageBoxService& qtMessageBoxService() {
  static QtMessageBoxes service;
  return service;
}

MessageBoxService& messageBoxService() {
  return installed != nullptr ? *installed : qtMessageBoxService();
}

MessageBoxService* installMessageBoxService(MessageBoxService* service) {
  MessageBoxService* previous = installed;
  installed = service;
  return previous;
}

int messageBox(QWidget* owner, const std::string& text, const std::string& caption,
               unsigned style) {
  return messageBoxService().show(owner, text, caption, style);
}

} // namespace platform::ui
