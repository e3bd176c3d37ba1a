#include "controls/audioctl32.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "controls/Class_b.h"
#include "ui/controltraits.h"
#include "ui/stdclasses.h"
#include "ui/sysutils.h"

namespace controls {

namespace {

// A fader's reading in dB to a tenth, as its tool tip shows it, were the
// thumb offset pixels up. Where the scale ends in no level (-inf, as the
// text says) the numbers go on below the lowest reading by its last
// pixel's step, so they stay numbers and in order; without a scale, the
// position.
double ScaleNumber(const TSlider& s, int offset) {
  double reading = s.ReadingAt(offset);
  if (std::isnan(reading))
    return s.Travel() > 0 ? s.Min() + (s.Max() - s.Min()) * static_cast<double>(offset) / s.Travel()
                          : s.Min();
  if (std::isinf(reading)) {
    int up = offset + 1;
    while (up < s.Travel() && std::isinf(s.ReadingAt(up))) ++up;
    const double a = s.ReadingAt(up), b = s.ReadingAt(up + 1);
    if (std::isinf(a) || std::isinf(b)) return -std::numeric_limits<double>::max();
    reading = a - (b - a) * (up - offset);
  }
  return std::round(reading * 10) / 10;
}

// A fader is taken by its thumb; its value is its position, one pixel of
// travel the smallest step, and a value is set by dragging the thumb to
// the place that shows it. On its scale it reads dB.
ui::UserFacet FaderFacet() {
  ui::UserFacet f = ui::ShownAs(ui::ControlKind::Fader);
  f.handle = [](const ui::TControl& c) -> ui::TControl* {
    return static_cast<const TSlider&>(c).Thumb();
  };
  f.reading = [](const ui::TControl& c) {
    auto& s = static_cast<const TSlider&>(c);
    ui::Reading r;
    r.value = s.Position();
    r.min = s.Min();
    r.max = s.Max();
    r.step = s.Travel() > 0 ? (s.Max() - s.Min()) / static_cast<double>(s.Travel()) : 1.0;
    return r;
  };
  f.value_text = [](const ui::TControl& c) {
    auto& s = static_cast<const TSlider&>(c);
    std::string reading = s.ScaleReading();
    return reading.empty() ? std::to_string(s.Position()) : reading;
  };
  f.number = [](const ui::TControl& c) { return static_cast<const TSlider&>(c).Number(); };
  f.link = [](const ui::TControl& c) -> ui::TControl* {
    return static_cast<const TSlider&>(c).LinkCheck();
  };
  f.set_value = [](ui::TControl& c, double v) {
    auto& s = static_cast<TSlider&>(c);
    if (!s.Enabled() || s.Max() <= s.Min()) return;
    const double part = std::clamp((v - s.Min()) / (s.Max() - s.Min()), 0.0, 1.0);
    user::Drag(&s, static_cast<int>(ui::RoundHalfEven(s.Travel() * part)) - s.Offset());
  };
  f.scale = [](const ui::TControl& c) {
    auto& s = static_cast<const TSlider&>(c);
    ui::Reading r;
    r.value = ScaleNumber(s, s.Offset());
    r.min = ScaleNumber(s, 0);
    r.max = ScaleNumber(s, s.Travel());
    r.step = std::isnan(s.ReadingAt(s.Offset())) && s.Travel() > 0
                 ? (s.Max() - s.Min()) / static_cast<double>(s.Travel())
                 : 0.1;
    return r;
  };
  f.set_on_scale = [](ui::TControl& c, double v) {
    auto& s = static_cast<TSlider&>(c);
    if (!s.Enabled() || s.Max() <= s.Min()) return;
    // The place that reads nearest, the lowest of equals.
    int best = 0;
    double off_by = std::abs(ScaleNumber(s, 0) - v);
    for (int o = 1; o <= s.Travel(); ++o)
      if (const double d = std::abs(ScaleNumber(s, o) - v); d < off_by) {
        best = o;
        off_by = d;
      }
    user::Drag(&s, best - s.Offset());
  };
  return f;
}

// A meter reads the level its column shows: the first level of its highest
// lit lamp below the held peak (0 when none is lit), from the first lamp's
// level to LevelMax; the held peak as the first level of its lamp.
ui::UserFacet MeterFacet() {
  ui::UserFacet f = ui::ShownAs(ui::ControlKind::Meter);
  f.reading = [](const ui::TControl& c) {
    auto& m = static_cast<const TLevelMeter&>(c);
    ui::Reading r;
    for (int i = std::min(m.LitTop(), m.Count() - 1); i >= 0; --i)
      if (const TLumi* l = m.Lumi(i); l && l->GetOn()) {
        r.value = m.FirstLevelOfLamp(i);
        break;
      }
    r.min = std::max(m.FirstLevelOfLamp(0), 1);
    r.max = m.GetLevelMax();
    if (m.Peak() > 0) r.peak = m.FirstLevelOfLamp(m.Peak());
    return r;
  };
  return f;
}

void RegisterAll() {
  ui::RegisterStandardClasses();
  using ui::ControlKind;
  ui::RegisterLayoutClass<TSlider, ui::TPanel>("TSlider")
      .Set(ui::PeerAs<TSlider, ui::TWinControl>())
      .Set(FaderFacet());
  ui::RegisterLayoutClass<TLumi, ui::TShape>("TLumi")
      .Set(ui::PeerAs<TLumi, ui::TShape>())
      .Set(ui::ShownAs(ControlKind::Decoration));
  ui::RegisterLayoutClass<TBarGraph, ui::TPanel>("TBarGraph")
      .Set(ui::PeerAs<TBarGraph, ui::TWinControl>())
      .Set(ui::ShownAs(ControlKind::Pane));
  ui::RegisterLayoutClass<TLevelMeter, TBarGraph>("TLevelMeter")
      .Set(ui::PeerAs<TLevelMeter, ui::TWinControl>())
      .Set(MeterFacet());
  RegisterBilingualClasses();
}

}  // namespace

void RegisterControlClasses() {
  static const bool registered = (RegisterAll(), true);
  (void)registered;
}

}  // namespace controls
