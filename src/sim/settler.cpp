#include "sim/settler.h"

#include <utility>

namespace sim {

Settler::Settler(std::chrono::milliseconds delay, std::function<void()> act)
    : delay_(delay), act_(std::move(act)), thread_([this] { Loop(); }) {}

Settler::~Settler() {
  {
    std::lock_guard lock(mu_);
    stopping_ = true;
  }
  cv_.notify_all();
  thread_.join();
}

void Settler::Poke() {
  {
    std::lock_guard lock(mu_);
    poked_ = true;
  }
  cv_.notify_all();
}

void Settler::Loop() {
  std::unique_lock lock(mu_);
  while (true) {
    cv_.wait(lock, [this] { return stopping_ || poked_; });
    if (stopping_) return;
    if (cv_.wait_for(lock, delay_, [this] { return stopping_; })) return;
    poked_ = false;
    lock.unlock();
    act_();
    lock.lock();
  }
}

}  // namespace sim
