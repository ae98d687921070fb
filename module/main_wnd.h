#pragma once
// The camera window's frame: caption, icon, placed at the screen's top left,
// its client area filled by the camera dialog. Closing from the system menu
// saves the settings and asks the data source to close the window; the data
// source does that with CloseSMUI. Messages 0x401, 0x407, 0x408 and the
// framework's Exit command reach it from a holder of its handle.

#include "module/camera_dlg.h"
#include "platform/ui/window_message.h"

#include <QWidget>

#include <functional>

namespace ostrel2 {

// The framework's standard Exit command.
inline constexpr int kIdAppExit = 57665;

class CMainWnd : public QWidget, public platform::ui::MessageTarget {
public:
    struct Calls {
        std::function<void()> readyToClose;  // system-menu Close
        std::function<void()> exitCommand;   // command 57665
    };
    CMainWnd(ModuleSettings& settings, CameraAccess& camera, CameraDialogCalls dialogCalls, Calls calls);
    ~CMainWnd() override;

    CCameraDlg* dialog() const { return dialog_; }
    // The window close message: the dialog goes, then the frame (later when
    // one of the dialog's handlers is still running).
    void closeFromModule();

    std::intptr_t windowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CCameraDlg* dialog_ = nullptr;
    Calls calls_;
    bool closing_ = false;
};

} // namespace ostrel2
