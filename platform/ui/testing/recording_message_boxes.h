#pragma once
// A message-box service for tests: records every box and answers from a
// script, without showing anything. Installs itself for its lifetime.

#include <deque>
#include <string>
#include <vector>

#include "platform/ui/message_box.h"

namespace platform::ui::testing {

struct ShownMessageBox {
  QWidget* owner = nullptr;
  std::string text;
  std::string caption;
  unsigned style = 0;
};

class RecordingMessageBoxes final : public MessageBoxService {
public:
  RecordingMessageBoxes();
  ~RecordingMessageBoxes() override;

  RecordingMessageBoxes(const RecordingMessageBoxes&) = delete;
  RecordingMessageBoxes& operator=(const RecordingMessageBoxes&) = delete;

  int show(QWidget* owner, const std::string& text, const std::string& caption,
           unsigned style) override;

  // The next boxes are answered with these ids, in order; once the script is
  // used up a box gets its first button (OK, or Yes).
  void answerWith(int id) { answers_.push_back(id); }

  const std::vector<ShownMessageBox>& shown() const { return shown_; }
  void clear() { shown_.clear(); }

private:
  MessageBoxService* previous_ = nullptr;
  std::deque<int> answers_;
  std::vector<ShownMessageBox> shown_;
};

} // namespace platform::ui::testing
