#include "remote/controlvalue.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "controls/levelmeter.h"
#include "controls/slider.h"
#include "ui/buttons.h"
#include "ui/stdctrls.h"
#include "ui/sysutils.h"
#include "ui/useractions.h"

namespace remote {

namespace {

constexpr int kPixels = 100;  // a fader's thumb travels 100 pixels
// The readings are shown with one decimal: a value within half of that of
// a scale's end is that end.
constexpr double kShownPrecision = 0.05;
constexpr double kNoSound = -std::numeric_limits<double>::infinity();

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string DecibelText(double db) {
  if (std::isinf(db) && db < 0) return "-inf";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", db + 0.0);
  // -0.04 reads 0.0 on the scale, not -0.0.
  return std::string(text) == "-0.0" ? "0.0" : text;
}

std::optional<double> ParseDecibels(std::string_view text) {
  std::string t = Lower(Trim(text));
  if (t.size() >= 2 && t.compare(t.size() - 2, 2, "db") == 0)
    t = Lower(Trim(t.substr(0, t.size() - 2)));
  if (t == "-inf" || t == "-infinity") return kNoSound;
  if (t.empty() || t.size() > 32) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  if (!end || *end != '\0' || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<bool> ParseSwitch(std::string_view text) {
  const std::string t = Lower(Trim(text));
  if (t == "on" || t == "1" || t == "true" || t == "yes") return true;
  if (t == "off" || t == "0" || t == "false" || t == "no") return false;
  return std::nullopt;
}

const char* SwitchText(bool on) {
  return on ? "on" : "off";
}

double FaderDecibels(const controls::TSlider& fader, sim::Fader law) {
  return sim::ScaleDb(law, sim::ThumbOffset(law, fader.Position()));
}

namespace {

// What a scale reads at each pixel of the thumb's travel, and its ends.
struct Scale {
  explicit Scale(sim::Fader law) {
    for (int o = 0; o <= kPixels; ++o) {
      reading[o] = sim::ScaleDb(law, o);
      if (std::isinf(reading[o])) {
        silent = true;
        continue;
      }
      lowest = std::min(lowest, reading[o]);
      highest = std::max(highest, reading[o]);
    }
  }
  double reading[kPixels + 1];
  double lowest = std::numeric_limits<double>::infinity(), highest = kNoSound;
  bool silent = false;  // the bottom gives no sound
};

}  // namespace

Refusal CheckDecibels(sim::Fader law, double db) {
  const Scale scale(law);
  if (db <= scale.highest + kShownPrecision && (scale.silent || !std::isinf(db)) &&
      (scale.silent || db >= scale.lowest - kShownPrecision))
    return std::nullopt;
  return DecibelText(db) + " dB is beyond the fader's scale (" + (scale.silent ? "-inf, " : "") +
         DecibelText(scale.lowest) + " to " + DecibelText(scale.highest) + " dB)";
}

Refusal DragFaderTo(controls::TSlider& fader, sim::Fader law, double db) {
  if (Refusal r = CheckDecibels(law, db)) return r;
  if (!fader.Enabled()) return "the fader is disabled";
  if (fader.Travel() <= 0) return "the fader has no travel";
  const Scale scale(law);
  const double* reading = scale.reading;
  // Below the lowest sound, the nearer in amplitude of that and silence.
  if (scale.silent && db < scale.lowest + 20.0 * std::log10(0.5)) db = kNoSound;
  const int here = sim::ThumbOffset(law, fader.Position());
  auto distance = [&](int o) {
    if (std::isinf(db) || std::isinf(reading[o]))
      return std::isinf(db) && std::isinf(reading[o]) ? 0.0
                                                      : std::numeric_limits<double>::infinity();
    return std::fabs(reading[o] - db);
  };
  int best = -1;
  for (int o = 0; o <= kPixels; ++o) {
    // Of equal readings, the one the thumb needs to move least for.
    if (best < 0 || distance(o) < distance(best) ||
        (distance(o) == distance(best) && std::abs(o - here) < std::abs(best - here)))
      best = o;
  }
  // No sound is the bottom, where the volume word is 0.
  if (std::isinf(db)) best = 0;
  if (reading[best] == reading[here]) return std::nullopt;
  const int target = static_cast<int>(ui::RoundHalfEven(best * fader.Travel() / double(kPixels)));
  controls::user::Drag(&fader, target - fader.Offset());
  return std::nullopt;
}

bool IsOn(const ui::TControl& c) {
  if (auto* box = dynamic_cast<const ui::TCheckBox*>(&c)) return box->Checked();
  if (auto* button = dynamic_cast<const ui::TSpeedButton*>(&c)) return button->Down();
  return c.Visible();
}

Refusal SwitchTo(ui::TControl& c, bool on) {
  if (IsOn(c) == on) return std::nullopt;
  if (!c.Enabled()) return "the control is disabled";
  ui::user::Click(&c);
  if (IsOn(c) != on) return std::string("the window keeps it ") + SwitchText(!on);
  return std::nullopt;
}

double MeterDecibels(const controls::TLevelMeter& meter) {
  return controls::ShownDecibels(meter);
}

}  // namespace remote
