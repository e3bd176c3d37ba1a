#pragma once
// The multimedia timers behind timeSetEvent and timeKillEvent. With a
// virtual clock timers fire only when told to advance; with a real clock a
// timer thread fires them, and the callbacks (which only post messages) run
// on that thread. Timer ids count from 1 and are never reused.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "ui/wintypes.h"

namespace sim {
class Clock;
}

namespace platform {

using TimerCallback = void (*)(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR dw1, DWORD_PTR dw2);

class TimerService {
 public:
  static constexpr UINT kPeriodMin = 1;
  static constexpr UINT kPeriodMax = 1000000;

  explicit TimerService(sim::Clock& clock);
  ~TimerService();
  TimerService(const TimerService&) = delete;
  TimerService& operator=(const TimerService&) = delete;

  // Starts a timer that fires delay ms from now (and then every delay ms
  // when periodic). Returns its id, 0 when delay is out of range or there
  // is no callback.
  UINT Start(UINT delay, TimerCallback callback, DWORD_PTR user, bool periodic);
  // Stops a timer; false when no such timer runs. With a real clock, a
  // callback of this timer that is running on the timer thread has finished
  // when this returns (unless called from that callback).
  bool Kill(UINT id);

  // Virtual clock only: fires every timer due up to ms in time order
  // (timers due at the same instant in the order of their ids), setting the
  // clock to each firing time, and calls after_each_fire after each firing
  // instant. Ends with the clock at ms (it never moves back).
  void AdvanceTo(std::int64_t ms, const std::function<void()>& after_each_fire = {});

  std::size_t ActiveCount() const;
  std::optional<std::int64_t> NextDue() const;

  // Real clock: the program's own event loop fires the timers instead of a
  // thread (the callbacks only post, so they may run on the GUI thread,
  // and nothing has to wake it from another one). schedule is told the
  // next due time (none: no timer runs) whenever it changes; the loop then
  // calls FireDue at that time. Set before the first timer starts.
  // With batch_ms, the loop is woken only at multiples of batch_ms, and
  // each timer then fires every instant it fell due since, in time order:
  // one wake-up for all that fell due together, nothing skipped.
  using Schedule = std::function<void(std::optional<std::int64_t> due_ms)>;
  void SetPump(Schedule schedule, std::int64_t batch_ms = 0) {
    pump_ = std::move(schedule);
    batch_ms_ = batch_ms;
  }
  // Fires every timer due now, in time order.
  void FireDue();

 private:
  struct Timer {
    UINT delay;
    TimerCallback callback;
    DWORD_PTR user;
    bool periodic;
    std::int64_t due;
  };
  void ThreadMain();
  std::int64_t FirstDue(UINT delay, bool periodic) const;
  void Reschedule();

  sim::Clock& clock_;
  mutable std::mutex mu_;
  std::condition_variable changed_;
  std::map<UINT, Timer> timers_;
  std::atomic<unsigned> kills_ = 0;  // timers killed so far
  UINT next_id_ = 1;
  UINT firing_id_ = 0;  // timer whose callback runs on the timer thread
  bool stopping_ = false;
  std::thread thread_;
  Schedule pump_;
  std::int64_t batch_ms_ = 0;
};

}  // namespace platform
