#include "mixer/meterrefresh.h"

#include <algorithm>

#include "driver/messages.h"
#include "platform/windowing.h"
#include "ui/application.h"

namespace mixer {

namespace {

// Timer callbacks run off the GUI thread: they only post.
void TickCallback(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  PostMessageA(HandleFromValue<HWND>(user), WM_METER_TICK, id, 0);
}
void PollCallback(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  PostMessageA(HandleFromValue<HWND>(user), WM_METER_POLL, id, 0);
}

}  // namespace

MeterRefresh::~MeterRefresh() {
  // A window destroyed with running meters leaves no timer posting to it.
  if (tick_timer_) timeKillEvent(tick_timer_);
  if (poll_timer_) timeKillEvent(poll_timer_);
}

void MeterRefresh::Setup(ui::TForm& window, int channels,
                         const driver::SharedBuffer* level_buffer) {
  meters_.clear();
  for (ui::TComponent* c : window.ComponentList())
    if (auto* m = dynamic_cast<controls::TLevelMeter*>(c)) meters_.push_back(m);
  channels_ = channels;
  window_ = window.Handle();
  level_buffer_ = level_buffer;
}

int MeterRefresh::PairEntries() const {
  return std::min<int>(channels_, static_cast<int>(meters_.size()));
}

// f(left meter, right meter or null, left channel).
template <typename F>
void MeterRefresh::ForEachPair(F f) {
  const int n = PairEntries();
  for (int i = 0; i < n; i += 2)
    f(meters_[i], i + 1 < n ? meters_[i + 1] : nullptr, static_cast<int>(meters_[i]->Tag()));
}

void MeterRefresh::StartMeters() {
  if (running_) return;
  ForEachPair([&](controls::TLevelMeter*, controls::TLevelMeter*, int ch) {
    send_(ch, messages_.start, 0);
  });
  running_ = true;
  const DWORD_PTR user = HandleValue(window_);
  if (!tick_timer_)
    tick_timer_ = timeSetEvent(tick_interval_, tick_interval_, &TickCallback, user, TIME_PERIODIC);
  if (!poll_timer_)
    poll_timer_ = timeSetEvent(poll_interval_, poll_interval_, &PollCallback, user, TIME_PERIODIC);
}

void MeterRefresh::StopMeters() {
  if (!running_) return;
  ForEachPair([&](controls::TLevelMeter*, controls::TLevelMeter*, int ch) {
    send_(ch, messages_.stop, 0);
  });
  if (tick_timer_) timeKillEvent(tick_timer_);
  if (poll_timer_) timeKillEvent(poll_timer_);
  tick_timer_ = 0;
  poll_timer_ = 0;
  running_ = false;
}

void MeterRefresh::Tick(ui::TMessage& m) {
  // Each step sets the result to 1, as the tick's own result is.
  m.Result = 1;
  const int n = PairEntries();
  // The first tick after the program waited finds the meters out of the
  // cache: all of them are asked for before the first is stepped.
  if (const ui::TApplication* app = ui::Application(); app && app->Waits() != waits_seen_) {
    waits_seen_ = app->Waits();
    for (int i = 0; i < n; ++i) meters_[i]->PrefetchStep();
  }
  for (int i = 0; i < n; ++i) {
    // A dark meter without a held peak has nothing to fall back.
    if (meters_[i]->Decaying()) meters_[i]->DecayStep(m);
  }
}

void MeterRefresh::Poll(ui::TMessage& m) {
  m.Result = 1;
  if (!level_buffer_ || !level_buffer_->valid()) return;
  ForEachPair([&](controls::TLevelMeter* left, controls::TLevelMeter* right, int ch) {
    send_(ch, messages_.level, level_buffer_->At(0));
    driver::LevelPair levels = driver::LevelPair::Read(level_buffer_->flat);
    left->SetLevel(levels.left);
    if (right) right->SetLevel(levels.right);
  });
}

}  // namespace mixer
