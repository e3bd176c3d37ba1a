#include "qt/timerpump.h"

#include <QTimerEvent>
#include <algorithm>

namespace qt {

void TimerPump::Schedule(std::optional<std::int64_t> due) {
  if (!due) {
    timer_.stop();
    return;
  }
  if (timer_.isActive() && *due == next_) return;
  // Fired on time for one batch and asked for the next: from here on a
  // periodic timer. Started now, a little after its instant, it never
  // fires early.
  if (fired_on_time_ && batch_ms_ > 0 && *due == *fired_on_time_ + batch_ms_) {
    Start(batch_ms_, true);
  } else {
    Start(std::max<std::int64_t>(0, *due - now_()), false);
  }
  next_ = *due;
}

void TimerPump::Start(std::int64_t delay_ms, bool periodic) {
  periodic_ = periodic;
  delay_ms_ = delay_ms;
  timer_.start(static_cast<int>(delay_ms), Qt::PreciseTimer, this);
}

void TimerPump::timerEvent(QTimerEvent* e) {
  if (e->timerId() != timer_.timerId()) return QObject::timerEvent(e);
  TimerFired();
}

void TimerPump::TimerFired() {
  // A timer that fell behind (a busy machine) is started again on the
  // instant: a periodic Qt timer that is late by a whole period keeps the
  // lateness from then on, and the batches would fire timers due after
  // their instant.
  const bool on_time = now_() - next_ < kLateMs;
  if (on_time) fired_on_time_ = next_;
  if (periodic_ && on_time) {
    next_ += batch_ms_;
  } else {
    timer_.stop();
  }
  fire_();
  fired_on_time_.reset();
}

}  // namespace qt
