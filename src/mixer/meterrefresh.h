#pragma once
// The meter refresh of the metering windows: the driver is told to measure
// each pair, a 40 ms tick lets every meter fall back one lamp and a 100 ms
// poll reads the pairs' peak levels into the meters. Both timers only post
// to the window; all the work runs in the window's message handlers.
#include <cstdint>
#include <functional>
#include <vector>

#include "controls/levelmeter.h"
#include "driver/controls.h"
#include "ui/form.h"

namespace mixer {

// Posted by the poll timer; the tick timer posts the meters' own decay
// message (WM_USER + 1).
constexpr UINT WM_METER_POLL = WM_USER + 101;  // 0x465
constexpr UINT WM_METER_TICK = controls::kMeterDecayMessage;

struct MeterMessages {
  UINT start;  // begin measuring a pair
  UINT stop;   // end measuring a pair
  UINT level;  // read a pair's LevelPair
};

// Sends a driver message on the handle of channel ch.
using ChannelSender = std::function<void(int ch, UINT msg, DWORD_PTR param1)>;

class MeterRefresh {
 public:
  MeterRefresh(MeterMessages messages, ChannelSender send)
      : messages_(messages), send_(std::move(send)) {}
  MeterRefresh(const MeterRefresh&) = delete;
  MeterRefresh& operator=(const MeterRefresh&) = delete;
  ~MeterRefresh();

  // The window's meters in component order (two consecutive entries are a
  // pair's left and right meter), of which the first channels take part;
  // the window that the timers post to; the 8-byte level buffer.
  void Setup(ui::TForm& window, int channels, const driver::SharedBuffer* level_buffer);
  void SetIntervals(UINT tick_ms, UINT poll_ms) {
    tick_interval_ = tick_ms;
    poll_interval_ = poll_ms;
  }

  // Nothing happens unless the running state really changes.
  void StartMeters();
  void StopMeters();
  bool Running() const { return running_; }
  const std::vector<controls::TLevelMeter*>& Meters() const { return meters_; }

  // WM_USER + 1: one decay step for every meter; result 1.
  void Tick(ui::TMessage& m);
  // WM_USER + 101: every pair's levels into its two meters; result 1.
  void Poll(ui::TMessage& m);

 private:
  template <typename F>
  void ForEachPair(F f);
  // The meters that have a channel to show, counted from the first.
  int PairEntries() const;

  MeterMessages messages_;
  ChannelSender send_;
  std::vector<controls::TLevelMeter*> meters_;
  int channels_ = 0;
  HWND window_ = nullptr;
  const driver::SharedBuffer* level_buffer_ = nullptr;
  bool running_ = false;
  UINT tick_timer_ = 0;
  UINT poll_timer_ = 0;
  UINT tick_interval_ = 40;
  UINT poll_interval_ = 100;
  std::uint64_t waits_seen_ = 0;  // the application's waits at the last tick
};

}  // namespace mixer
