#include "platform/timers.h"

#include <chrono>
#include <stdexcept>
#include <vector>

#include "platform/mmsystem.h"
#include "platform/platform.h"
#include "sim/clock.h"

namespace platform {

TimerService::TimerService(sim::Clock& clock) : clock_(clock) {}

TimerService::~TimerService() {
  {
    std::lock_guard lock(mu_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

// On the real clock a periodic timer keeps to the multiples of its period,
// so that the timers of all windows that fall due together (every 40 ms
// tick, every 100 ms poll, and both every 200 ms) wake the program once.
// Its first firing comes no later than asked for. Virtual time keeps the
// exact schedule that tests rely on.
std::int64_t TimerService::FirstDue(UINT delay, bool periodic) const {
  const std::int64_t asked = clock_.NowMs() + delay;
  if (clock_.IsVirtual() || !periodic) return asked;
  const std::int64_t aligned = asked / delay * delay;
  return aligned > clock_.NowMs() ? aligned : aligned + delay;
}

UINT TimerService::Start(UINT delay, TimerCallback callback, DWORD_PTR user, bool periodic) {
  if (callback == nullptr || delay < kPeriodMin || delay > kPeriodMax) return 0;
  UINT id;
  {
    std::lock_guard lock(mu_);
    id = next_id_++;
    timers_[id] = Timer{delay, callback, user, periodic, FirstDue(delay, periodic)};
    if (!clock_.IsVirtual() && !pump_ && !thread_.joinable()) {
      thread_ = std::thread([this] { ThreadMain(); });
    }
  }
  changed_.notify_all();
  Reschedule();
  return id;
}

void TimerService::Reschedule() {
  if (!pump_ || clock_.IsVirtual()) return;
  std::optional<std::int64_t> due = NextDue();
  if (due && batch_ms_ > 0) due = (*due + batch_ms_ - 1) / batch_ms_ * batch_ms_;
  pump_(due);
}

void TimerService::FireDue() {
  const std::int64_t now = clock_.NowMs();
  while (true) {
    std::pair<UINT, Timer> next{0, {}};
    {
      std::lock_guard lock(mu_);
      for (const auto& [id, t] : timers_)
        if (t.due <= now && (next.first == 0 || t.due < next.second.due)) next = {id, t};
      if (next.first == 0) break;
      auto it = timers_.find(next.first);
      if (next.second.periodic) {
        // A timer later than its batch skips what it missed; within the
        // batch it fires every instant.
        it->second.due += next.second.delay;
        while (it->second.due <= now - batch_ms_) it->second.due += next.second.delay;
      } else {
        timers_.erase(it);
      }
    }
    next.second.callback(next.first, 0, next.second.user, 0, 0);
  }
  Reschedule();
}

bool TimerService::Kill(UINT id) {
  std::unique_lock lock(mu_);
  if (timers_.erase(id) == 0) return false;
  ++kills_;
  if (thread_.joinable() && std::this_thread::get_id() != thread_.get_id()) {
    changed_.wait(lock, [&] { return firing_id_ != id; });
  }
  lock.unlock();
  changed_.notify_all();
  Reschedule();
  return true;
}

void TimerService::AdvanceTo(std::int64_t ms, const std::function<void()>& after_each_fire) {
  auto* clock = dynamic_cast<sim::VirtualClock*>(&clock_);
  if (clock == nullptr) throw std::logic_error("AdvanceTo needs a virtual clock");
  // Kept across instants: no allocation per instant.
  std::vector<std::pair<UINT, Timer>> due;
  std::vector<std::map<UINT, Timer>::iterator> earliest;
  while (true) {
    due.clear();
    earliest.clear();
    {
      std::lock_guard lock(mu_);
      // The timers of the earliest instant up to ms, in one pass.
      std::optional<std::int64_t> instant;
      for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        const std::int64_t at = it->second.due;
        if (at > ms || (instant && at > *instant)) continue;
        if (!instant || at < *instant) earliest.clear();
        instant = at;
        earliest.push_back(it);
      }
      if (!instant) break;
      if (*instant > clock->NowMs()) clock->SetNow(*instant);
      for (auto it : earliest) {
        due.emplace_back(*it);
        if (it->second.periodic)
          it->second.due += it->second.delay;
        else
          timers_.erase(it);
      }
    }
    const unsigned kills = kills_.load();
    for (const auto& [id, t] : due) {
      // A callback earlier in this instant may have killed a later timer.
      bool alive = true;
      if (t.periodic && kills_.load() != kills) {
        std::lock_guard lock(mu_);
        alive = timers_.count(id) != 0;
      }
      if (alive) t.callback(id, 0, t.user, 0, 0);
    }
    if (after_each_fire) after_each_fire();
  }
  if (ms > clock->NowMs()) clock->SetNow(ms);
}

std::size_t TimerService::ActiveCount() const {
  std::lock_guard lock(mu_);
  return timers_.size();
}

std::optional<std::int64_t> TimerService::NextDue() const {
  std::lock_guard lock(mu_);
  std::optional<std::int64_t> next;
  for (const auto& [id, t] : timers_) {
    if (!next || t.due < *next) next = t.due;
  }
  return next;
}

void TimerService::ThreadMain() {
  std::unique_lock lock(mu_);
  while (!stopping_) {
    std::optional<std::pair<UINT, std::int64_t>> next;
    for (const auto& [id, t] : timers_) {
      if (!next || t.due < next->second) next = std::make_pair(id, t.due);
    }
    if (!next) {
      changed_.wait(lock);
      continue;
    }
    const std::int64_t wait = next->second - clock_.NowMs();
    if (wait > 0) {
      changed_.wait_for(lock, std::chrono::milliseconds(wait));
      continue;  // the timers may have changed meanwhile
    }
    auto it = timers_.find(next->first);
    Timer t = it->second;
    if (t.periodic) {
      it->second.due += t.delay;
    } else {
      timers_.erase(it);
    }
    firing_id_ = next->first;
    lock.unlock();
    t.callback(next->first, 0, t.user, 0, 0);
    lock.lock();
    firing_id_ = 0;
    changed_.notify_all();
  }
}

}  // namespace platform

// The multimedia timer functions ---------------------------------------------

MMRESULT timeGetDevCaps(TIMECAPS* ptc, UINT cbtc) {
  if (ptc == nullptr || cbtc < sizeof(TIMECAPS)) return TIMERR_NOCANDO;
  ptc->wPeriodMin = platform::TimerService::kPeriodMin;
  ptc->wPeriodMax = platform::TimerService::kPeriodMax;
  return MMSYSERR_NOERROR;
}

MMRESULT timeSetEvent(UINT uDelay, UINT /*uResolution*/, LPTIMECALLBACK fptc, DWORD_PTR dwUser,
                      UINT fuEvent) {
  platform::Platform& p = platform::CurrentPlatform();
  const UINT id = p.timers().Start(uDelay, fptc, dwUser, (fuEvent & TIME_PERIODIC) != 0);
  if (id != 0 && p.observer() != nullptr) p.observer()->TimerStarted(id, uDelay);
  return id;
}

MMRESULT timeKillEvent(UINT uTimerID) {
  platform::Platform& p = platform::CurrentPlatform();
  if (!p.timers().Kill(uTimerID)) return MMSYSERR_INVALPARAM;
  if (p.observer() != nullptr) p.observer()->TimerKilled(uTimerID);
  return MMSYSERR_NOERROR;
}
