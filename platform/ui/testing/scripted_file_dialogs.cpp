#include "platform/ui/testing/scripted_file_dialogs.h"

namespace platform::ui::testing {

ScriptedFileDialogs::ScriptedFileDialogs() : previous_(installFileDialogService(this)) {}

ScriptedFileDialogs::~ScriptedFileDialogs() { installFileDialogService(previous_); }

std::optional<std::string> ScriptedFileDialogs::choose(QWidget* owner,
                                                       const FileDialogRequest& request) {
  requests_.push_back(RequestedFileDialog{owner, request});
  if (answers_.empty())
    return std::nullopt;
  std::optional<std::string> answer = answers_.front();
  answers_.pop_front();
  return answer;
}

} // namespace platform::ui::testing
