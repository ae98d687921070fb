#pragma once
// The help service of the programs: reads the help file named in each
// request and shows the topic in a HelpPopup near the pointer. Requests that
// arrive while a pop-up is open wait and are shown in turn as each one
// closes. A file or topic that cannot be shown gives a pop-up that says why.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QPoint>
#include <QPointer>

#include "platform/help/help_file.h"
#include "platform/help/help_popup.h"
#include "platform/help/help_service.h"

namespace platform::help {

// At most this many pop-ups wait behind the open one; more are dropped.
inline constexpr std::size_t kMaxWaitingPopups = 32;

class QtHelpService final : public HelpService {
public:
  bool request(QWidget* owner, const std::string& helpFile, unsigned command,
               std::uintptr_t data) override;

  // The pop-up on screen, or null.
  HelpPopup* openPopup() const;
  std::size_t waitingPopups() const { return waiting_.size(); }

  // Pop-ups appear beside this point instead of the pointer (tests).
  void placeAt(std::optional<QPoint> globalPoint) { placeAt_ = globalPoint; }

private:
  struct Pending {
    QPointer<QWidget> owner;
    bool hadOwner = false;
    std::string title;
    std::vector<HelpParagraph> paragraphs;
    QPoint where;
  };

  void present(QWidget* owner, std::string title, std::vector<HelpParagraph> paragraphs);
  void showNext();

  QPointer<HelpPopup> popup_;
  std::deque<Pending> waiting_;
  // Receiver of the pop-ups' signals, so none arrives once the service is gone.
  QObject signalContext_;
  std::optional<QPoint> placeAt_;
};

} // namespace platform::help
