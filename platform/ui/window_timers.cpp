#include "platform/ui/window_timers.h"

#include <QTimerEvent>
#include <algorithm>

namespace platform::ui {

WindowTimers::WindowTimers(TickHandler onTick, QObject* parent)
    : QObject(parent), onTick_(std::move(onTick)) {}

WindowTimers::~WindowTimers() { stopAll(); }

bool WindowTimers::start(int timerId, int intervalMs) {
  if (timerId <= 0) {
    return false;
  }
  stop(timerId);
  const int period = std::max(intervalMs, kMinimumIntervalMs);
  const int qtTimer = startTimer(period);
  if (qtTimer == 0) {
    return false;
  }
  running_[timerId] = Running{qtTimer, period};
  return true;
}

bool WindowTimers::stop(int timerId) {
  const auto it = running_.find(timerId);
  if (it == running_.end()) {
    return false;
  }
  killTimer(it->second.qtTimer);
  running_.erase(it);
  return true;
}

void WindowTimers::stopAll() {
  for (const auto& [id, timer] : running_) {
    killTimer(timer.qtTimer);
  }
  running_.clear();
}

bool WindowTimers::isRunning(int timerId) const { return running_.count(timerId) != 0; }

int WindowTimers::interval(int timerId) const {
  const auto it = running_.find(timerId);
  return it == running_.end() ? -1 : it->second.intervalMs;
}

bool WindowTimers::fire(int timerId) {
  if (!isRunning(timerId)) {
    return false;
  }
  if (onTick_) {
    onTick_(timerId);
  }
  return true;
}

void WindowTimers::timerEvent(QTimerEvent* event) {
  // The handler may stop or restart timers, so look the id up first and call
  // it after the lookup is done.
  const auto it = std::find_if(running_.begin(), running_.end(), [&](const auto& entry) {
    return entry.second.qtTimer == event->timerId();
  });
  if (it == running_.end()) {
    QObject::timerEvent(event);
    return;
  }
  const int timerId = it->first;
  if (onTick_) {
    onTick_(timerId);
  }
}

} // namespace platform::ui
