#include "platform/help/testing/recording_help.h"

namespace platform::help::testing {

RecordingHelp::RecordingHelp() : previous_(installHelpService(this)) {}

RecordingHelp::~RecordingHelp() { installHelpService(previous_); }

bool RecordingHelp::request(QWidget* owner, const std::string& helpFile, unsigned command,
                            std::uintptr_t data) {
  requests_.push_back(HelpRequest{owner, helpFile, command, data});
  return answer_;
}

std::vector<std::uintptr_t> RecordingHelp::popupContexts() const {
  std::vector<std::uintptr_t> contexts;
  for (const HelpRequest& request : requests_) {
    if (request.command == kHelpContextPopup) contexts.push_back(request.data);
  }
  return contexts;
}

} // namespace platform::help::testing
