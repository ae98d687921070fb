#include "platform/ui/testing/recording_message_boxes.h"

namespace platform::ui::testing {

RecordingMessageBoxes::RecordingMessageBoxes() : previous_(installMessageBoxService(this)) {}

RecordingMessageBoxes::~RecordingMessageBoxes() { installMessageBoxService(previous_); }

int RecordingMessageBoxes::show(QWidget* owner, const std::string& text,
                                const std::string& caption, unsigned style) {
  shown_.push_back(ShownMessageBox{owner, text, caption, style});
  if (!answers_.empty()) {
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  const unsigned buttons = style & kMbButtonMask;
  return (buttons == kMbYesNo || buttons == kMbYesNoCancel) ? kIdYes : kIdOk;
}

} // namespace platform::ui::testing
