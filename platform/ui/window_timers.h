#pragma once
// Window timers with fixed identifiers: a window starts timer N with a period,
// stops it by the same number and hears each tick with the number. Starting a
// running id again restarts it with the new period. A timer ticks until it is
// stopped.

#include <functional>
#include <map>

#include <QObject>

namespace platform::ui {

class WindowTimers : public QObject {
public:
  using TickHandler = std::function<void(int timerId)>;

  explicit WindowTimers(TickHandler onTick, QObject* parent = nullptr);
  ~WindowTimers() override;

  WindowTimers(const WindowTimers&) = delete;
  WindowTimers& operator=(const WindowTimers&) = delete;

  // Starts (or restarts) timer `timerId`; periods below the shortest one the
  // window system keeps (10 ms) are raised to it. Returns false for an id <= 0.
  bool start(int timerId, int intervalMs);
  // Stops the timer; false when it was not running.
  bool stop(int timerId);
  void stopAll();

  bool isRunning(int timerId) const;
  // The period of a running timer in milliseconds, -1 when it is not running.
  int interval(int timerId) const;

  // Delivers one tick of a running timer now, as if its period had passed.
  // Returns false (and delivers nothing) when the timer is not running.
  bool fire(int timerId);

  static constexpr int kMinimumIntervalMs = 10;

protected:
  void timerEvent(QTimerEvent* event) override;

private:
  struct Running {
    int qtTimer = 0;
    int intervalMs = 0;
  };
  TickHandler onTick_;
  std::map<int, Running> running_;  // by window timer id
};

} // namespace platform::ui
