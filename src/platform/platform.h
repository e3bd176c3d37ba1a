#pragma once
// The platform context: which backend the Win32-named stand-ins forward to,
// who observes them, and which message-box service shows boxes. One context
// is current at a time; the program makes one at start, every test its own.
#include <memory>
#include <vector>

#include "platform/backend.h"
#include "platform/messageboxservice.h"
#include "platform/observer.h"
#include "platform/timers.h"

namespace sim {
class Clock;
}

namespace platform {

class Platform {
 public:
  explicit Platform(Backend& backend);
  ~Platform();
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;

  Backend& backend() { return backend_; }
  sim::Clock& clock() { return backend_.clock(); }
  TimerService& timers() { return *timers_; }

  Observer* observer() const { return observer_; }
  void set_observer(Observer* o) { observer_ = o; }

  MessageBoxService& message_boxes() { return *boxes_; }
  // nullptr restores the recording default.
  void set_message_boxes(MessageBoxService* s) { boxes_ = s ? s : &recording_boxes_; }
  RecordingMessageBoxService& recording_boxes() { return recording_boxes_; }

  // The 16-bit blocks of a configuration call that gave up waiting: its
  // entry point may still write into them, so they stay allocated (and
  // their selectors out of reuse) until the completion word at done_vp is
  // set, or until this context ends.
  void KeepLateBlocks(DWORD done_vp, std::vector<DWORD> blocks);
  // Frees the kept blocks whose entry point has finished.
  void ReleaseFinishedLateBlocks();
  std::size_t LateBlockCount() const;

 private:
  struct LateBlocks {
    DWORD done_vp;
    std::vector<DWORD> blocks;
  };
  std::vector<LateBlocks> late_blocks_;

  Backend& backend_;
  Observer* observer_ = nullptr;
  RecordingMessageBoxService recording_boxes_;
  MessageBoxService* boxes_ = &recording_boxes_;
  std::unique_ptr<TimerService> timers_;
};

// The current context; throws when none is installed.
Platform& CurrentPlatform();
bool HasPlatform();

// Installs a context for its lifetime and restores the previous one.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(Platform& p);
  ~ScopedPlatform();
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform* previous_;
};

}  // namespace platform
