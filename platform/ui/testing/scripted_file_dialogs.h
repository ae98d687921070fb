#pragma once
// A file-dialog service for tests: records every request and answers from a
// script (a path, or a cancel), without showing anything. Installs itself
// for its lifetime.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/file_dialog.h"

namespace platform::ui::testing {

struct RequestedFileDialog {
  QWidget* owner = nullptr;
  FileDialogRequest request;
};

class ScriptedFileDialogs final : public FileDialogService {
public:
  ScriptedFileDialogs();
  ~ScriptedFileDialogs() override;

  ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
  ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;

  std::optional<std::string> choose(QWidget* owner, const FileDialogRequest& request) override;

  // The next dialogs are answered with these, in order; once the script is
  // used up a dialog is cancelled.
  void answerWith(const std::string& path) { answers_.emplace_back(path); }
  void answerCancel() { answers_.emplace_back(std::nullopt); }

  const std::vector<RequestedFileDialog>& requests() const { return requests_; }

private:
  FileDialogService* previous_ = nullptr;
  std::deque<std::optional<std::string>> answers_;
  std::vector<RequestedFileDialog> requests_;
};

} // namespace platform::ui::testing
