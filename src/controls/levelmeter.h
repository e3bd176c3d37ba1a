#pragma once
// The peak meters: TLumi (one lamp), TBarGraph (a column of lamps, lamp 0
// at the bottom, that rises to a level) and TLevelMeter (a column on a
// logarithmic scale with green, orange and red zones, a falling bar and a
// held peak lamp).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/mmsystem.h"
#include "ui/extctrls.h"

namespace controls {

// Lamp colours, 00BBGGRR.
inline constexpr ui::TColor kLumiGreen = 0x00FF00;
inline constexpr ui::TColor kLumiRed = 0x0000FF;
inline constexpr ui::TColor kLumiOrange = 0x0080FF;
inline constexpr ui::TColor kLumiGrey = 0x808080;
// One decay step of a meter; its first parameter is the timer identifier.
inline constexpr UINT kMeterDecayMessage = WM_USER + 1;

class TLumi : public ui::TShape {
 public:
  explicit TLumi(ui::TComponent* owner);
  const char* ClassName() const override { return "TLumi"; }

  ui::TColor ColorOn() const { return color_on_; }
  // Only stored: a lamp that is on keeps its fill until it is switched again.
  void SetColorOn(ui::TColor c) { color_on_ = c; }
  ui::TColor ColorOff() const { return color_off_; }
  void SetColorOff(ui::TColor c) { color_off_ = c; }
  ui::TColor ColorFrame() const { return color_frame_; }
  void SetColorFrame(ui::TColor c) { color_frame_ = c; }
  bool Frame() const { return frame_; }
  void SetFrame(bool v) { frame_ = v; }
  // The lamp state (the layout's "_On"); switching fills with ColorOn or ColorOff.
  bool GetOn() const { return on_; }
  void SetOn(bool v);

  bool SetProperty(const std::string& name, const ui::PropValue& v, ui::LayoutReader& r) override;

 private:
  friend class TBarGraph;
  friend class TLevelMeter;
  // Switches without telling the peer; true when the lamp changed.
  bool Switch(bool v) {
    if (v == on_) return false;
    StoreBrushColor(v ? color_on_ : color_off_);
    on_ = v;
    return true;
  }

  ui::TColor color_on_ = kLumiGreen;
  ui::TColor color_off_ = kLumiGrey;
  ui::TColor color_frame_ = ui::clBlack;
  bool frame_ = true;
  bool on_ = false;
};

class TBarGraph : public ui::TPanel {
 public:
  explicit TBarGraph(ui::TComponent* owner);
  const char* ClassName() const override { return "TBarGraph"; }

  // Raises the column to the level (0 ... LevelMax); never lowers it.
  virtual void SetLevel(std::int32_t level);
  std::int32_t Level() const { return level_; }
  virtual void SetLevelMax(std::int32_t v) { bar_max_ = v; }
  virtual std::int32_t GetLevelMax() const { return bar_max_; }
  int LumiHeight() const { return lumi_height_; }
  // Rebuilds the lamps with the new height.
  void SetLumiHeight(int v);
  ui::TColor LumiColor() const { return lumi_color_; }
  void SetLumiColor(ui::TColor c) { lumi_color_ = c; }
  // The layout's "_On": true lights the whole column.
  bool GetOn() const { return on_; }
  void SetOn(bool v);

  // Readers for the windows, the peers and tests.
  int Count() const { return count_; }
  int LitTop() const { return lit_top_; }
  // Lamp i, 0 at the bottom; null outside 0 ... Count - 1.
  TLumi* Lumi(int i) const {
    const std::vector<TLumi*>& lumis = Lumis();
    return i >= 0 && i < static_cast<int>(lumis.size()) ? lumis[i] : nullptr;
  }
  // How many lamps are on.
  int LitCount() const;

  void Loaded() override;
  void Resize() override;
  // From the lamps' places: a few of them instead of every one.
  std::pair<int, int> ChildrenInRows(int top, int bottom) const override;
  bool SetProperty(const std::string& name, const ui::PropValue& v, ui::LayoutReader& r) override;

 protected:
  virtual void CreateLumis();
  virtual void DestroyLumis();
  // Destroys and recreates the lamps; the column starts empty.
  void RebuildLumis();
  void SwitchLumi(int i, bool on) {
    if (TLumi* l = Lumi(i); l && l->Switch(on)) l->Changed(ui::Change::Color);
  }
  // Switches lamps from ... to (clipped to the column), telling the peer
  // once for the run.
  void SwitchLumis(int from, int to, bool on);
  // The top lamp for a bar value (0 ... BarMax).
  int LampOfBarValue(std::int32_t value) const;
  // Lights every lamp up to top; never lowers the column.
  void RaiseTo(int top);
  void SetLitTop(int v) { lit_top_ = v; }
  std::int32_t BarMax() const { return bar_max_; }
  void StoreLevel(std::int32_t v) { level_ = v; }
  virtual void ResetLitState() { lit_top_ = 0; }
  void ControlsChanged() override { lumis_stale_ = true; }

 private:
  // The children as lamps, by child index (null for a child that is no
  // lamp), looked up once after the children change instead of per call.
  const std::vector<TLumi*>& Lumis() const { return lumis_stale_ ? IndexLumis() : lumis_; }
  const std::vector<TLumi*>& IndexLumis() const;
  mutable std::vector<TLumi*> lumis_;
  mutable bool lumis_stale_ = true;

  std::int32_t level_ = 0;
  std::int32_t bar_max_ = 65535;
  int lumi_height_ = 6;
  ui::TColor lumi_color_ = kLumiGreen;
  bool on_ = false;
  int count_ = 0;
  int lit_top_ = 0;
};

class TLevelMeter final : public TBarGraph {
 public:
  explicit TLevelMeter(ui::TComponent* owner);
  ~TLevelMeter() override;
  const char* ClassName() const override { return "TLevelMeter"; }

  int NumLumisRed() const { return num_red_; }
  void SetNumLumisRed(int v);
  int NumLumisOrange() const { return num_orange_; }
  void SetNumLumisOrange(int v);
  bool TimerEnable() const { return timer_enable_; }
  // Starts or stops the meter's own decay timer (only on a form).
  void SetTimerEnable(bool v);
  WORD TimerInterval() const { return timer_interval_; }
  void SetTimerInterval(WORD v);
  WORD LevelMaxHold() const { return level_max_hold_; }
  void SetLevelMaxHold(WORD v) { level_max_hold_ = v; }

  // A new peak value on the input scale 0 ... LevelMax.
  void SetLevel(std::int32_t level) override;
  void SetLevelMax(std::int32_t v) override;
  std::int32_t GetLevelMax() const override { return level_max_; }

  // One decay step, as WM_USER+1 delivers it; sets m.Result to 1 when it acts.
  void DecayStep(ui::TMessage& m);
  // False when a decay step would change nothing: no lamp lit, no peak held.
  bool Decaying() const { return LitTop() > 0 || hold_ticks_ > 0; }
  // Asks the processor for what the next decay step reads: the meter, its
  // top lamp and its peer. Asked for all at once, a window's meters that
  // left the cache arrive together instead of one after the other.
  void PrefetchStep() const;

  // Readers for the windows and tests.
  int Peak() const { return peak_; }
  // The lowest level that lights lamp i (what the lamp stands for when it
  // is read out); 0 outside the column.
  std::int32_t FirstLevelOfLamp(int i) const {
    const std::vector<std::int32_t>& first = Steps().first_level;
    return i >= 0 && i < static_cast<int>(first.size()) ? first[i] : 0;
  }
  int HoldTicks() const { return hold_ticks_; }
  UINT TimerId() const { return timer_id_; }

  bool SetProperty(const std::string& name, const ui::PropValue& v, ui::LayoutReader& r) override;

 protected:
  void CreateLumis() override;
  void ResetLitState() override;

 private:
  void ColourLumis();
  void StartTimer();
  void StopTimer();
  // The bar value of a level on the log scale; BarMax + 1 when dropped.
  std::int32_t BarValueOf(std::int32_t level) const;
  // The first level that lights each lamp, and the first level that is
  // dropped, for the scale they were worked out for: the log formula runs
  // once per lamp boundary instead of once per reading. Meters of the same
  // scale share them, so that a window's readings find them in the cache.
  struct LampSteps {
    std::int32_t level_max = -1;
    int count = -1;
    std::int32_t bar_max = -1;
    std::vector<std::int32_t> first_level;  // index: lamp
    std::int32_t dropped_from = 0;
  };
  const LampSteps& Steps() const {
    const LampSteps* s = steps_.get();
    const bool current =
        s && s->level_max == level_max_ && s->count == Count() && s->bar_max == BarMax();
    return current ? *s : WorkOutSteps();
  }
  const LampSteps& WorkOutSteps() const;
  static int LampOfLevel(const LampSteps& steps, std::int32_t level);
  mutable std::shared_ptr<const LampSteps> steps_;

  int num_red_ = 2;
  int num_orange_ = 10;
  bool timer_enable_ = false;
  WORD timer_interval_ = 50;
  std::int32_t level_max_ = 32767;
  WORD level_max_hold_ = 2000;
  double level_div_ = 32767 / 25.0;
  double log_scale_;
  int peak_ = 0;
  int hold_ticks_ = 0;
  UINT timer_id_ = 0;
  TIMECAPS time_caps_{};
};

inline void TBarGraph::SwitchLumis(int from, int to, bool on) {
  const std::vector<TLumi*>& lumis = Lumis();
  from = std::max(from, 0);
  to = std::min(to, static_cast<int>(lumis.size()) - 1);
  // The lamps that this column draws are reported as one run.
  TLumi* first = nullptr;
  TLumi* last = nullptr;
  for (int i = from; i <= to; ++i) {
    TLumi* l = lumis[i];
    if (!l || !l->Switch(on)) continue;
    if (!l->DrawnByParent()) {
      l->Changed(ui::Change::Color);
      continue;
    }
    if (!first) first = l;
    last = l;
  }
  if (first && peer()) peer()->ChildrenChanged(*first, *last, ui::Change::Color);
}

inline void TLevelMeter::PrefetchStep() const {
  __builtin_prefetch(&hold_ticks_);
  if (const TLumi* top = Lumi(LitTop())) __builtin_prefetch(&top->on_);
  __builtin_prefetch(peer());
}

// Inline: the windows' ticks step every meter 25 times a second.
inline void TLevelMeter::DecayStep(ui::TMessage& m) {
  // With no own timer running, every step is the window's.
  if (timer_enable_ && timer_id_ != 0 && (m.WParam & 0xFFFF) != (timer_id_ & 0xFFFF)) return;
  m.Result = 1;
  int top = LitTop();
  if (top > 0) {
    SwitchLumi(peak_ != 0 && peak_ <= top ? top - 1 : top, false);
    SetLitTop(--top);
    if (top <= 0) SwitchLumi(0, false);
  }
  if (hold_ticks_ > 0 && --hold_ticks_ == 0) {
    SwitchLumi(peak_, false);
    peak_ = 0;
  }
}

}  // namespace controls
