#include "platform/platform.h"

#include <atomic>
#include <cstdint>
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
  for (const LateBlocks& late : late_blocks_)
    for (DWORD vp : late.blocks) backend_.GlobalUnlockFree16(vp);
  Platform* self = this;
  current.compare_exchange_strong(self, nullptr);
}

void Platform::KeepLateBlocks(DWORD done_vp, std::vector<DWORD> blocks) {
  late_blocks_.push_back(LateBlocks{done_vp, std::move(blocks)});
}

void Platform::ReleaseFinishedLateBlocks() {
  std::erase_if(late_blocks_, [this](const LateBlocks& late) {
    const auto* word = static_cast<const std::uint32_t*>(backend_.VdmPointer(late.done_vp, 4));
    if (word == nullptr ||
        std::atomic_ref<const std::uint32_t>(*word).load(std::memory_order_acquire) == 0)
      return false;
    for (DWORD vp : late.blocks) backend_.GlobalUnlockFree16(vp);
    return true;
  });
}

std::size_t Platform::LateBlockCount() const {
  return late_blocks_.size();
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
