#pragma once
// Message boxes: a text, a caption, a style made of the window system's
// button and icon flags, and the id of the button that closed the box. All
// callers go through the installed service so tests can answer boxes
// without a screen.

#include <string>

class QWidget;

namespace platform::ui {

// Buttons.
inline constexpr unsigned kMbOk = 0x00000000;
inline constexpr unsigned kMbOkCancel = 0x00000001;
inline constexpr unsigned kMbYesNoCancel = 0x00000003;
inline constexpr unsigned kMbYesNo = 0x00000004;
inline constexpr unsigned kMbButtonMask = 0x0000000F;
// Icons.
inline constexpr unsigned kMbIconError = 0x00000010;
inline constexpr unsigned kMbIconQuestion = 0x00000020;
inline constexpr unsigned kMbIconWarning = 0x00000030;
inline constexpr unsigned kMbIconInformation = 0x00000040;
inline constexpr unsigned kMbIconMask = 0x000000F0;
// Modality and placement.
inline constexpr unsigned kMbTaskModal = 0x00002000;
inline constexpr unsigned kMbSetForeground = 0x00010000;

// Answers.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class MessageBoxService {
public:
  virtual ~MessageBoxService() = default;
  // Shows the box modally (owned by `owner`, which may be null) and returns
  // the id of the button that closed it. Texts are UTF-8.
  virtual int show(QWidget* owner, const std::string& text, const std::string& caption,
                   unsigned style) = 0;
};

// The service that shows real boxes with Qt.
MessageBoxService& qtMessageBoxService();

// The installed service; the Qt one unless another was installed.
MessageBoxService& messageBoxService();
// Installs `service` (not owned; it must outlive its use). Null restores the
// Qt service. Returns the previously installed one.
MessageBoxService* installMessageBoxService(MessageBoxService* service);

// Shows a box through the installed service.
int messageBox(QWidget* owner, const std::string& text, const std::string& caption,
               unsigned style = kMbOk);

} // namespace platform::ui
