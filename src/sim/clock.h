#pragma once
// Time for the signal model, the multimedia timers and Sleep: real in the
// program, virtual under test and in the scenario runner.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace sim {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since the clock was made.
  virtual std::int64_t NowMs() const = 0;
  // Gives up the processor for about ms milliseconds.
  virtual void SleepMs(std::int64_t ms) = 0;
  virtual bool IsVirtual() const = 0;
};

class RealClock : public Clock {
 public:
  std::int64_t NowMs() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_)
        .count();
  }
  void SleepMs(std::int64_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  bool IsVirtual() const override { return false; }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Moves only when told to. SleepMs moves it too, so a wait with a time limit
// ends after the limit in virtual time without any real waiting.
class VirtualClock : public Clock {
 public:
  std::int64_t NowMs() const override { return now_.load(); }
  void SleepMs(std::int64_t ms) override {
    if (before_sleep_) before_sleep_(before_sleep_arg_);
    now_ += ms;
  }
  bool IsVirtual() const override { return true; }
  void SetNow(std::int64_t ms) { now_ = ms; }
  void Advance(std::int64_t ms) { now_ += ms; }
  // Called at every SleepMs before time moves; the simulation uses it to let
  // a running configuration bridge finish first, so results never depend on
  // thread timing.
  void SetBeforeSleep(void (*fn)(void*), void* arg) {
    before_sleep_ = fn;
    before_sleep_arg_ = arg;
  }

 private:
  std::atomic<std::int64_t> now_{0};
  void (*before_sleep_)(void*) = nullptr;
  void* before_sleep_arg_ = nullptr;
};

}  // namespace sim
