#pragma once
// The help viewer the programs call: (owner window, help file, command,
// data). All callers go through the installed service so tests can record
// the requests without a screen.

#include <cstdint>
#include <string>

class QWidget;

namespace platform::help {

// Commands, with the numbers the programs pass.
inline constexpr unsigned kHelpContext = 0x0001;       // data: context id, shown as a pop-up here
inline constexpr unsigned kHelpQuit = 0x0002;          // closes the pop-up and drops waiting ones
inline constexpr unsigned kHelpContextPopup = 0x0008;  // data: context id

class HelpService {
public:
  virtual ~HelpService() = default;
  // Handles one request for `owner` (may be null). `helpFile` is the UTF-8
  // path of the help file. Returns true when the request was carried out
  // (the topic is shown, or the viewer quit); false when it was not: unknown
  // command, or the file or topic could not be shown (the user is told).
  virtual bool request(QWidget* owner, const std::string& helpFile, unsigned command,
                       std::uintptr_t data) = 0;
};

// The service that shows topics in pop-up windows with Qt.
HelpService& qtHelpService();

// The installed service; the Qt one unless another was installed.
HelpService& helpService();
// Installs `service` (not owned; it must outlive its use). Null restores the
// Qt service. Returns the previously installed one.
HelpService* installHelpService(HelpService* service);

// Sends a request through the installed service.
bool showHelp(QWidget* owner, const std::string& helpFile, unsigned command, std::uintptr_t data);

} // namespace platform::help
