#include "platform/help/help_service.h"

#include "platform/help/qt_help_service.h"

namespace platform::help {
namespace {

HelpService* installed = nullptr;

} // namespace

HelpService& qtHelpService() {
  static QtHelpService service;
  return service;
}

HelpService& helpService() { return installed != nullptr ? *installed : qtHelpService(); }

HelpService* installHelpService(HelpService* service) {
  HelpService* previous = installed;
  installed = service;
  return previous;
}

bool showHelp(QWidget* owner, const std::string& helpFile, unsigned command,
              std::uintptr_t data) {
  return helpService().request(owner, helpFile, command, data);
}

} // namespace platform::help
