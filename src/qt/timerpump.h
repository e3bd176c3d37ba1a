#pragma once
// Fires the program's timers from Qt's loop at the instants they are asked
// for. While the instants follow one another a batch apart (the meters'
// ticks and polls), one periodic Qt timer keeps running: stopping and
// starting a timer for every batch costs more than the batch's own timers.
#include <QBasicTimer>
#include <QObject>
#include <cstdint>
#include <functional>
#include <optional>

namespace qt {

class TimerPump : public QObject {
 public:
  // now: the timers' clock in ms; fire: fires what fell due.
  TimerPump(std::int64_t batch_ms, std::function<std::int64_t()> now, std::function<void()> fire)
      : batch_ms_(batch_ms), now_(std::move(now)), fire_(std::move(fire)) {}

  // The next instant to fire at; none stops the pump.
  void Schedule(std::optional<std::int64_t> due);
  // The Qt timer went off: fires, then keeps the periodic timer or stops.
  // The timer's events come here; tests call it to stand in for them.
  void TimerFired();

  bool running() const { return timer_.isActive(); }
  bool periodic() const { return periodic_; }
  // The instant the running timer fires at next, and its delay as started.
  std::int64_t next() const { return next_; }
  std::int64_t delay_ms() const { return delay_ms_; }

 protected:
  void timerEvent(QTimerEvent* e) override;

 private:
  void Start(std::int64_t delay_ms, bool periodic);

  std::int64_t batch_ms_;
  std::function<std::int64_t()> now_;
  std::function<void()> fire_;
  QBasicTimer timer_;
  bool periodic_ = false;
  std::int64_t delay_ms_ = 0;
  // The instant the running timer fires at next (its first instant, for a
  // periodic one that has not fired yet).
  std::int64_t next_ = 0;
  // While firing on time: the instant fired for.
  std::optional<std::int64_t> fired_on_time_;
  static constexpr std::int64_t kLateMs = 10;
};

}  // namespace qt
