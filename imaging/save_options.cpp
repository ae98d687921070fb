#include "imaging/save_options.h"

#include <cstring>
#include <mutex>

namespace imaging {
namespace {

std::mutex& optionsMutex() {
  static std::mutex mutex;
  return mutex;
}

SaveOptions& currentOptions() {
  static SaveOptions options;
  return options;
}

}  // namespace

void setSaveOptions(const SaveOptions& options) {
  std::lock_guard<std::mutex> guard(optionsMutex());
  currentOptions() = options;
}

Status setSaveOptions(const void* record, std::size_t size) {
  if (record == nullptr || size != sizeof(SaveOptions)) return kInvalidArgument;
  SaveOptions options;
  std::memcpy(options.fields.data(), record, sizeof(SaveOptions));
  setSaveOptions(options);
  return kSuccess;
}

SaveOptions saveOptions() {
  std::lock_guard<std::mutex> guard(optionsMutex());
  return currentOptions();
}

}  // namespace imaging
