#include "platform/platform.h"

#include <atomic>
#include <stdexcept>

namespace platform {
namespace {

std::atomic<Platform*> current{nullptr};

}  // namespace

Platform::Platform(Backend& backend)
    : backend_(backend), timers_(std::make_unique<TimerService>(backend.clock())) {}

Platform::~Platform() {
  // Stop the timer thread before anything it might call back into goes away.
  timers_.reset();
  Platform* self = this;
  current.compare_exchange_strong(self, nullptr);
}

Platform& CurrentPlatform() {
  Platform* p = current.load();
  if (p == nullptr) throw std::logic_error("no platform context installed");
  return *p;
}

bool HasPlatform() {
  return current.load() != nullptr;
}

ScopedPlatform::ScopedPlatform(Platform& p) : previous_(current.exchange(&p)) {}

ScopedPlatform::~ScopedPlatform() {
  current.store(previous_);
}

}  // namespace platform
