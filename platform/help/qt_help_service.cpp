#include "platform/help/qt_help_service.h"

#include <QCursor>
#include <QMetaObject>

namespace platform::help {
namespace {

// The title of the pop-up that says why no topic can be shown.
constexpr const char* kNoticeTitle = "Help";

std::vector<HelpParagraph> notice(std::string text) {
  return {HelpParagraph{std::move(text), false}};
}

} // namespace

bool QtHelpService::request(QWidget* owner, const std::string& helpFile, unsigned command,
                            std::uintptr_t data) {
  switch (command) {
  case kHelpQuit:
    waiting_.clear();
    if (popup_ != nullptr) popup_->close();
    return true;
  case kHelpContext:
  case kHelpContextPopup: break;
  default: return false;
  }
  HelpFileResult loaded = loadHelpFile(helpFile);
  if (!loaded.ok()) {
    present(owner, kNoticeTitle, notice(loaded.message));
    return false;
  }
  const HelpTopic* topic =
      data <= kMaxContextId ? loaded.file.find(static_cast<ContextId>(data)) : nullptr;
  if (topic == nullptr) {
    present(owner, kNoticeTitle,
            notice("There is no help on this item: topic " + std::to_string(data) +
                   " is missing from " + helpFile + "."));
    return false;
  }
  present(owner, topic->title, topic->paragraphs);
  return true;
}

HelpPopup* QtHelpService::openPopup() const {
  return popup_ != nullptr && popup_->isVisible() ? popup_.data() : nullptr;
}

void QtHelpService::present(QWidget* owner, std::string title,
                            std::vector<HelpParagraph> paragraphs) {
  if (waiting_.size() >= kMaxWaitingPopups) return;
  waiting_.push_back(Pending{owner, owner != nullptr, std::move(title), std::move(paragraphs),
                             placeAt_.value_or(QCursor::pos())});
  if (openPopup() == nullptr) showNext();
}

void QtHelpService::showNext() {
  while (openPopup() == nullptr && !waiting_.empty()) {
    Pending next = std::move(waiting_.front());
    waiting_.pop_front();
    // A request whose window has gone since is dropped with it.
    if (next.hadOwner && next.owner == nullptr) continue;
    popup_ = new HelpPopup(next.owner, next.title, next.paragraphs);
    // The next one is shown from the event loop, once the closed pop-up (and
    // perhaps its owner) is fully gone.
    QObject::connect(popup_, &QObject::destroyed, &signalContext_, [this] {
      QMetaObject::invokeMethod(&signalContext_, [this] { showNext(); }, Qt::QueuedConnection);
    });
    popup_->popUpNear(next.where);
  }
}

} // namespace platform::help
