#include "remote/controlvalue.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "ui/controltraits.h"

namespace remote {

namespace {

constexpr int kPixels = kFaderPixels;
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

double FaderDecibels(const ui::TControl& fader, sim::Fader law) {
  const ui::UserFacet& f = ui::UserFacetOf(fader);
  if (!f.reading) return kNoSound;
  const int position = static_cast<int>(std::lround(f.reading(fader).value));
  return sim::ScaleDb(law, sim::ThumbOffset(law, position));
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

double ReadingAt(sim::Fader law, int pixel) {
  return sim::ScaleDb(law, std::clamp(pixel, 0, kPixels));
}

int PixelOf(sim::Fader law, double db) {
  const Scale scale(law);
  if (std::isinf(db)) return 0;
  int best = 0;
  double distance = std::numeric_limits<double>::infinity();
  for (int o = 0; o <= kPixels; ++o) {
    if (std::isinf(scale.reading[o])) continue;
    if (const double d = std::fabs(scale.reading[o] - db); d < distance) {
      best = o;
      distance = d;
    }
  }
  return best;
}

Refusal CheckDecibels(sim::Fader law, double db) {
  const Scale scale(law);
  if (db <= scale.highest + kShownPrecision && (scale.silent || !std::isinf(db)) &&
      (scale.silent || db >= scale.lowest - kShownPrecision))
    return std::nullopt;
  return DecibelText(db) + " dB is beyond the fader's scale (" + (scale.silent ? "-inf, " : "") +
         DecibelText(scale.lowest) + " to " + DecibelText(scale.highest) + " dB)";
}

Refusal DragFaderTo(ui::TControl& fader, sim::Fader law, double db) {
  if (Refusal r = CheckDecibels(law, db)) return r;
  const ui::UserFacet& f = ui::UserFacetOf(fader);
  if (!f.reading || !f.set_value) return "the control is no fader";
  if (!fader.Enabled()) return "the fader is disabled";
  const ui::Reading now = f.reading(fader);
  const Scale scale(law);
  const double* reading = scale.reading;
  // Below the lowest sound, the nearer in amplitude of that and silence.
  if (scale.silent && db < scale.lowest + 20.0 * std::log10(0.5)) db = kNoSound;
  const int here = sim::ThumbOffset(law, static_cast<int>(std::lround(now.value)));
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
  // The user drags the thumb to that pixel.
  f.set_value(fader, now.min + (now.max - now.min) * best / kPixels);
  return std::nullopt;
}

bool IsOn(const ui::TControl& c) {
  const ui::UserFacet& f = ui::UserFacetOf(c);
  // A panel (the option row) is on when it shows.
  return f.checked ? f.checked(c) : c.Visible();
}

Refusal SwitchTo(ui::TControl& c, bool on) {
  if (IsOn(c) == on) return std::nullopt;
  const ui::UserFacet& f = ui::UserFacetOf(c);
  if (!f.press) return "the control cannot be pressed";
  if (!c.Enabled()) return "the control is disabled";
  f.press(c);
  if (IsOn(c) != on) return std::string("the window keeps it ") + SwitchText(!on);
  return std::nullopt;
}

double MeterDecibels(const ui::TControl& meter) {
  const ui::UserFacet& f = ui::UserFacetOf(meter);
  if (!f.reading) return kNoSound;
  const ui::Reading r = f.reading(meter);
  // Nothing lit reads no level at all.
  if (r.value <= 0 || r.max <= 0) return kNoSound;
  return 20.0 * std::log10(r.value / r.max);
}

}  // namespace remote
