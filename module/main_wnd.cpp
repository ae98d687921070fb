#include "module/main_wnd.h"

#include "module/module_skin.h"
#include "module/module_strings.h"
#include "module/skin_slider.h"

#include <QCloseEvent>
#include <QPointer>
#include <QTimer>

namespace ostrel2 {

CMainWnd::CMainWnd(ModuleSettings& settings, CameraAccess& camera, CameraDialogCalls dialogCalls, Calls calls)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      calls_(std::move(calls))
{
    setObjectName(QStringLiteral("CMainWnd"));
    setWindowTitle(QString::fromStdString(productName()));
    setWindowIcon(moduleIcon());
    dialog_ = new CCameraDlg(settings, camera, std::move(dialogCalls), this);
    dialog_->move(0, 0);
    dialog_->show();
    setFixedSize(kDialogWidth, kDialogHeight);
    move(0, 0);
}

CMainWnd::~CMainWnd() = default;

void CMainWnd::closeFromModule()
{
    closing_ = true;
    dialog_->shutDown();
    hide();
    if (dialog_->busy()) {
        deleteLater();
        return;
    }
    delete dialog_;
    dialog_ = nullptr;
    delete this;
}

void CMainWnd::closeEvent(QCloseEvent* event)
{
    if (closing_) {
        event->accept();
        return;
    }
    // The frame stays until the data source closes it.
    event->ignore();
    platform::ui::sendMessage(dialog_, kUmCloseSave, 0, 0);
    if (dialog_->connection().state() != CameraState::HandingOver && calls_.readyToClose)
        calls_.readyToClose();
}

std::intptr_t CMainWnd::windowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    switch (message) {
    case kUmTransfer: {
        // Posted on: the transfer runs from the event loop, after the sender.
        QPointer<CCameraDlg> target(dialog_);
        QTimer::singleShot(0, dialog_, [target] {
            if (target)
                target->windowMessage(kUmTransfer, 0, 0);
        });
        return 0;
    }
    case kUmSliderValue:
    case kUmStopPreview:
        return dialog_->windowMessage(message, wParam, lParam);
    case platform::ui::kWmCommand:
        if (platform::ui::commandId(wParam) == kIdAppExit && calls_.exitCommand)
            calls_.exitCommand();
        return 0;
    default:
        return 0;
    }
}

} // namespace ostrel2
