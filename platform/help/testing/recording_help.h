#pragma once
// A help service for tests: records every request and shows nothing.
// Installs itself for its lifetime.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/help/help_service.h"

namespace platform::help::testing {

struct HelpRequest {
  QWidget* owner = nullptr;
  std::string helpFile;
  unsigned command = 0;
  std::uintptr_t data = 0;
};

class RecordingHelp final : public HelpService {
public:
  RecordingHelp();
  ~RecordingHelp() override;

  RecordingHelp(const RecordingHelp&) = delete;
  RecordingHelp& operator=(const RecordingHelp&) = delete;

  // Records the request and answers with answer() (true unless set).
  bool request(QWidget* owner, const std::string& helpFile, unsigned command,
               std::uintptr_t data) override;

  void answerWith(bool answer) { answer_ = answer; }
  const std::vector<HelpRequest>& requests() const { return requests_; }
  // The context ids of the pop-up requests, in order.
  std::vector<std::uintptr_t> popupContexts() const;
  void clear() { requests_.clear(); }

private:
  HelpService* previous_ = nullptr;
  bool answer_ = true;
  std::vector<HelpRequest> requests_;
};

} // namespace platform::help::testing
