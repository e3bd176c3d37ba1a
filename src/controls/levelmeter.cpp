#include "controls/levelmeter.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <mutex>

#include "ui/application.h"
#include "ui/layout.h"
#include "ui/sysutils.h"

namespace controls {

// ---- TLumi

TLumi::TLumi(ui::TComponent* owner) : ui::TShape(owner) {
  SetBounds(0, 0, 16, 6);
  SetShape(ui::TShapeType::stRectangle);
  SetBrushColor(color_off_);
  SetPenColor(ui::clBlack);
  SetPenWidth(1);
}

void TLumi::SetOn(bool v) {
  if (Switch(v)) Changed(ui::Change::Color);
}

bool TLumi::SetProperty(const std::string& name, const ui::PropValue& v, ui::LayoutReader& r) {
  if (name == "ColorOn")
    SetColorOn(r.Color(v));
  else if (name == "ColorOff")
    SetColorOff(r.Color(v));
  else if (name == "ColorFrame")
    SetColorFrame(r.Color(v));
  else if (name == "Frame")
    SetFrame(v.AsBool());
  else if (name == "_On")
    SetOn(v.AsBool());
  else
    return ui::TShape::SetProperty(name, v, r);
  return true;
}

// ---- TBarGraph

TBarGraph::TBarGraph(ui::TComponent* owner) : ui::TPanel(owner) {
  SetBevelOuter(ui::TBevelCut::bvLowered);
  // The new size reaches Resize, which builds the first lamps.
  SetBounds(Left(), Top(), 18, 164);
}

const std::vector<TLumi*>& TBarGraph::IndexLumis() const {
  lumis_.clear();
  for (int i = 0; i < ControlCount(); ++i) lumis_.push_back(dynamic_cast<TLumi*>(Controls(i)));
  lumis_stale_ = false;
  return lumis_;
}

int TBarGraph::LitCount() const {
  int n = 0;
  for (TLumi* l : Lumis())
    if (l && l->GetOn()) ++n;
  return n;
}

void TBarGraph::CreateLumis() {
  const int step = lumi_height_ - 1;
  // A lamp height below 2 leaves no room for a lamp between shared outlines.
  count_ = step > 0 ? std::max(0, Height() / step) : 0;
  int top = Height() - lumi_height_ - 2;
  for (int i = 0; i < count_; ++i, top -= step) {
    auto* lumi = ui::Create<TLumi>(this);
    // The meter's peer draws its lamps: one widget instead of one per lamp.
    lumi->SetDrawnByParent(true);
    lumi->SetBounds(1, top, Width() - 3, lumi_height_);
    lumi->SetColorOn(lumi_color_);
    lumi->SetParent(this);
  }
}

void TBarGraph::DestroyLumis() {
  for (ui::TControl* c : ControlList()) c->Free();
  count_ = 0;
}

// The new lamps are all off, so the column starts empty: a level index
// left over from a taller column would address lamps that no longer exist.
void TBarGraph::RebuildLumis() {
  DestroyLumis();
  ResetLitState();
  CreateLumis();
}

void TBarGraph::SetLumiHeight(int v) {
  DestroyLumis();
  lumi_height_ = v;
  ResetLitState();
  CreateLumis();
}

void TBarGraph::SetLevel(std::int32_t level) {
  if (level > bar_max_) return;
  level_ = level;
  RaiseTo(LampOfBarValue(level));
}

int TBarGraph::LampOfBarValue(std::int32_t value) const {
  if (bar_max_ <= 0) return 0;
  return static_cast<int>(ui::RoundHalfEven(static_cast<double>(value) / bar_max_ * (count_ - 1)));
}

void TBarGraph::RaiseTo(int t) {
  if (t <= lit_top_) return;
  SwitchLumis(lit_top_, t, true);
  lit_top_ = t;
}

// Lamp i starts at row Height - LumiHeight - 2 - i * (LumiHeight - 1);
// one lamp more on each side keeps a lamp that was moved by a pixel.
std::pair<int, int> TBarGraph::ChildrenInRows(int top, int bottom) const {
  const int step = lumi_height_ - 1;
  if (step <= 0) return ui::TPanel::ChildrenInRows(top, bottom);
  const int base = Height() - 2;
  const int first = (base - lumi_height_ - bottom) / step - 1;
  const int last = (base - top) / step + 1;
  return {std::max(first, 0), std::min(last, ControlCount() - 1)};
}

void TBarGraph::SetOn(bool v) {
  SetLevel(v ? GetLevelMax() : 0);
  on_ = v;
}

void TBarGraph::Loaded() {
  ui::TPanel::Loaded();
  RebuildLumis();
  if (on_) SetOn(true);
}

void TBarGraph::Resize() {
  const int step = lumi_height_ - 1;
  if (Height() >= (count_ + 1) * step + 2 || Height() < count_ * step + 2) {
    RebuildLumis();
    SetOn(on_);
  } else {
    int top = Height() - lumi_height_ - 2;
    for (ui::TControl* c : ControlList()) {
      c->SetTop(top);
      top -= step;
    }
  }
  for (ui::TControl* c : ControlList()) c->SetWidth(Width() - 3);
  ui::TPanel::Resize();
}

bool TBarGraph::SetProperty(const std::string& name, const ui::PropValue& v, ui::LayoutReader& r) {
  if (name == "Level")
    SetLevel(static_cast<std::int32_t>(v.AsInt()));
  else if (name == "LevelMax")
    SetLevelMax(static_cast<std::int32_t>(v.AsInt()));
  else if (name == "LumiHeight")
    SetLumiHeight(static_cast<int>(v.AsInt()));
  else if (name == "LumiColor")
    SetLumiColor(r.Color(v));
  else if (name == "_On")
    SetOn(v.AsBool());
  else
    return ui::TPanel::SetProperty(name, v, r);
  return true;
}

// ---- TLevelMeter

namespace {

// Runs on the timer thread: nothing but a post to the meter's window.
void MeterTimerCallback(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  if (ui::TApplication* app = ui::Application())
    app->PostMessage(HandleFromValue<HWND>(user), kMeterDecayMessage, id, 0);
}

}  // namespace

TLevelMeter::TLevelMeter(ui::TComponent* owner)
    : TBarGraph(owner), log_scale_(511.0 / std::log10(26.0)) {
  TBarGraph::SetLevelMax(511);
  timeGetDevCaps(&time_caps_, sizeof time_caps_);
  SetMessageHandler(kMeterDecayMessage, [this](ui::TMessage& m) { DecayStep(m); });
  // The column built its lamps before the meter existed: build them again
  // now that they get the meter's colours.
  RebuildLumis();
}

TLevelMeter::~TLevelMeter() {
  // Stops the own timer whether or not the meter still sits on a form.
  try {
    StopTimer();
  } catch (const std::exception&) {
    // No platform any more: no timer can run either.
  }
  timer_enable_ = false;
}

void TLevelMeter::CreateLumis() {
  TBarGraph::CreateLumis();
  ColourLumis();
}

void TLevelMeter::ResetLitState() {
  TBarGraph::ResetLitState();
  peak_ = 0;
  hold_ticks_ = 0;
}

// From the top lamp down: red, then orange, then green. More red and
// orange lamps than the column has simply colour all of them.
void TLevelMeter::ColourLumis() {
  auto colour = [this](int i, ui::TColor c) {
    if (TLumi* l = Lumi(i)) l->SetColorOn(c);
  };
  int i = Count() - 1;
  for (int n = 0; n < num_red_ && i >= 0; ++n, --i) colour(i, kLumiRed);
  for (int n = 0; n < num_orange_ && i >= 0; ++n, --i) colour(i, kLumiOrange);
  for (; i >= 0; --i) colour(i, kLumiGreen);
}

void TLevelMeter::SetNumLumisRed(int v) {
  num_red_ = v;
  ColourLumis();
}

void TLevelMeter::SetNumLumisOrange(int v) {
  num_orange_ = v;
  ColourLumis();
}

void TLevelMeter::SetLevelMax(std::int32_t v) {
  level_max_ = v;
  level_div_ = v / 25.0;
}

std::int32_t TLevelMeter::BarValueOf(std::int32_t level) const {
  // Rounding would bring a level just above full scale back onto the top
  // lamp; a level above full scale is dropped.
  if (level > level_max_) return BarMax() + 1;
  if (level <= 0) return level;
  double x = std::log10(level / level_div_ + 1) * log_scale_;
  // A level beyond any scale (or a broken full scale) is dropped like any
  // level above full scale.
  return std::isfinite(x) && x < BarMax() + 1 ? static_cast<std::int32_t>(ui::RoundHalfEven(x))
                                              : BarMax() + 1;
}

const TLevelMeter::LampSteps& TLevelMeter::WorkOutSteps() const {
  // The steps depend on the full scale, the lamp count and the bar's range
  // only: one copy serves every meter of that scale. Kept while a meter
  // uses it.
  static std::mutex mu;
  static std::vector<std::weak_ptr<const LampSteps>> known;
  std::lock_guard lock(mu);
  std::erase_if(known, [](const auto& w) { return w.expired(); });
  for (const auto& w : known) {
    std::shared_ptr<const LampSteps> s = w.lock();
    if (s->level_max == level_max_ && s->count == Count() && s->bar_max == BarMax()) {
      steps_ = std::move(s);
      return *steps_;
    }
  }
  auto steps = std::make_shared<LampSteps>(LampSteps{level_max_, Count(), BarMax(), {}, 0});
  // Both the bar value and the lamp grow with the level, so each boundary
  // is the first level of a binary search.
  auto first = [](std::int32_t lo, std::int32_t hi, auto reaches) {
    while (lo < hi) {
      const std::int32_t mid = lo + (hi - lo) / 2;
      if (reaches(mid))
        hi = mid;
      else
        lo = mid + 1;
    }
    return lo;
  };
  const std::int32_t top = std::max(level_max_, 0);
  steps->dropped_from =
      first(1, top + 1, [this](std::int32_t l) { return BarValueOf(l) > BarMax(); });
  for (int lamp = 0; lamp < std::max(Count(), 1); ++lamp)
    steps->first_level.push_back(first(1, steps->dropped_from, [this, lamp](std::int32_t l) {
      return LampOfBarValue(BarValueOf(l)) >= lamp;
    }));
  known.push_back(steps);
  steps_ = std::move(steps);
  return *steps_;
}

// The lamp that the log formula and the column's rounding give a level
// from 1 to the first dropped level: the last lamp whose first level it
// reaches (lamp 0 starts at level 1).
int TLevelMeter::LampOfLevel(const LampSteps& steps, std::int32_t level) {
  const std::vector<std::int32_t>& first = steps.first_level;
  return static_cast<int>(std::upper_bound(first.begin(), first.end(), level) - first.begin()) - 1;
}

void TLevelMeter::SetLevel(std::int32_t level) {
  const LampSteps& steps = Steps();
  if (level > 0 && level < steps.dropped_from)
    RaiseTo(LampOfLevel(steps, level));
  else
    TBarGraph::SetLevel(BarValueOf(level));
  StoreLevel(level);
  if (LitTop() >= peak_) {
    peak_ = LitTop();
    // An interval of 0 would divide by zero: count it as 1 ms.
    hold_ticks_ = level_max_hold_ / std::max<WORD>(timer_interval_, 1);
  }
}

void TLevelMeter::StartTimer() {
  timer_id_ = timeSetEvent(timer_interval_, timer_interval_, &MeterTimerCallback,
                           HandleValue(Handle()), TIME_PERIODIC);
}

void TLevelMeter::StopTimer() {
  if (timer_id_ == 0) return;
  UINT id = timer_id_;
  timer_id_ = 0;
  timeKillEvent(id);
}

void TLevelMeter::SetTimerEnable(bool v) {
  if (v && timer_id_ == 0 && GetParentForm())
    StartTimer();
  else if (!v)
    StopTimer();
  timer_enable_ = v;
}

void TLevelMeter::SetTimerInterval(WORD v) {
  timer_interval_ = v;
  if (timer_enable_) {
    StopTimer();
    if (GetParentForm()) StartTimer();
  }
}

bool TLevelMeter::SetProperty(const std::string& name, const ui::PropValue& v,
                              ui::LayoutReader& r) {
  auto word = [&] { return static_cast<WORD>(v.AsInt()); };
  if (name == "NumLumisRed")
    SetNumLumisRed(static_cast<int>(v.AsInt()));
  else if (name == "NumLumisOrange")
    SetNumLumisOrange(static_cast<int>(v.AsInt()));
  else if (name == "TimerEnable")
    SetTimerEnable(v.AsBool());
  else if (name == "TimerInterval")
    SetTimerInterval(word());
  else if (name == "LevelMaxHold")
    SetLevelMaxHold(word());
  else
    return TBarGraph::SetProperty(name, v, r);
  return true;
}

}  // namespace controls
