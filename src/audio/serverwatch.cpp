#include "audio/serverwatch.h"

#include <utility>

namespace audio {

ServerWatch::ServerWatch(Hooks hooks, std::chrono::milliseconds interval,
                         std::chrono::milliseconds stall)
    : hooks_(std::move(hooks)), interval_(interval), stall_(stall), thread_([this] { Loop(); }) {}

ServerWatch::~ServerWatch() {
  {
    std::lock_guard lock(mu_);
    stopping_ = true;
  }
  cv_.notify_all();
  thread_.join();
}

void ServerWatch::Loop() {
  std::uint64_t seen = hooks_.cycles();
  auto moved = std::chrono::steady_clock::now();
  std::unique_lock lock(mu_);
  while (!cv_.wait_for(lock, interval_, [this] { return stopping_; })) {
    const std::uint64_t now = hooks_.cycles();
    const auto at = std::chrono::steady_clock::now();
    if (now != seen) {
      seen = now;
      moved = at;
    } else if (at - moved >= stall_) {
      lock.unlock();
      const bool lost = !hooks_.answers();
      if (lost) hooks_.lost();
      lock.lock();
      if (lost) return;
      moved = at;  // stalled but there: asked again after another stall
    }
  }
}

}  // namespace audio
