#include "sim/signalmodel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sim/routing.h"

namespace sim {
namespace {

struct Shape {
  double base;
  double depth;
  double period_ms;
};

Shape ShapeOf(Signal s) {
  switch (s) {
    case Signal::Line:
      return {0.55, 0.30, 1700};
    case Signal::Mic:
      return {0.30, 0.25, 900};
    case Signal::Cd:
      return {0.70, 0.25, 2300};
    case Signal::Playback:
      return {0.60, 0.35, 1300};
    case Signal::Spdif:
      return {0.50, 0.45, 1100};
  }
  return {0, 0, 1};
}

std::int32_t Peak(double amplitude) {
  return static_cast<std::int32_t>(std::nearbyint(std::clamp(amplitude, 0.0, 1.0) * 32767.0));
}

}  // namespace

double SignalAmplitude(Signal signal, std::int64_t ms, int global_channel) {
  const Shape s = ShapeOf(signal);
  const double phase = 0.9 * global_channel;
  const double t = static_cast<double>(ms % 1000000);
  return s.base + s.depth * std::sin(2 * std::numbers::pi * t / s.period_ms + phase);
}

std::int32_t InputPeak(const CardState& card, int card_index, int ch, std::int64_t ms) {
  if (ch < 0 || ch > 9) return 0;
  const int global = 8 * card_index + ch;
  const ChannelRoute route = RouteOf(card, ch);
  switch (route.source) {
    case Source::Spdif:
      return Peak(SignalAmplitude(Signal::Spdif, ms, global));
    case Source::None:
      return 0;  // no such input: silence
    default:
      return Peak(SignalAmplitude(static_cast<Signal>(route.source), ms, global) *
                  (route.in_gain / 65535.0));
  }
}

std::int32_t OutputPeak(const CardState& card, int card_index, int ch, std::int64_t ms) {
  if (ch < 0 || ch > 9) return 0;
  const int global = 8 * card_index + ch;
  const ChannelRoute route = RouteOf(card, ch);
  double level = 0;
  if (route.playback) {
    level += SignalAmplitude(Signal::Playback, ms, global) * (route.volume / 65535.0);
  }
  if (route.monitor) {
    level += InputPeak(card, card_index, ch, ms) / 32767.0 * (route.mon_gain / 65535.0);
  }
  return Peak(level);
}

}  // namespace sim
