#include "sim/signalmodel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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

std::uint16_t Word(std::uint32_t value, int side) {
  return static_cast<std::uint16_t>(side == 0 ? value : value >> 16);
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
  if (ch >= 8) return Peak(SignalAmplitude(Signal::Spdif, ms, global));
  const PairState& pair = card.pairs[ch / 2];
  const int side = ch % 2;
  const int source = static_cast<std::uint8_t>(pair.inpair >> (side == 0 ? 0 : 16));
  if (source > 2) return 0;  // no such input: silence
  const double gain = Word(pair.ingain, side) / 65535.0;
  return Peak(SignalAmplitude(static_cast<Signal>(source), ms, global) * gain);
}

std::int32_t OutputPeak(const CardState& card, int card_index, int ch, std::int64_t ms) {
  if (ch < 0 || ch > 9) return 0;
  const int global = 8 * card_index + ch;
  const int side = ch % 2;
  const PairState& pair = card.pairs[ch >= 8 ? kSpdifPair : ch / 2];
  double level = 0;
  const bool playback_muted = ch < 8 && ((pair.inpair >> 8) & 0xFF) != 0;
  if (Word(pair.mute, side) == 0 && !playback_muted) {
    level += SignalAmplitude(Signal::Playback, ms, global) * (Word(pair.volume, side) / 65535.0);
  }
  const int mode = static_cast<std::uint8_t>(pair.inpair >> 24);
  if (ch < 8 && mode == 2 && Word(pair.gate, side) != 0) {
    level += InputPeak(card, card_index, ch, ms) / 32767.0 * (Word(pair.mongain, side) / 65535.0);
  }
  return Peak(level);
}

}  // namespace sim
