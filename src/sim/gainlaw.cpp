#include "sim/gainlaw.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

namespace sim {
namespace {

// Every fader of the windows is 112 pixels high with a margin of 6 at each
// end, so its thumb travels 100 pixels.
constexpr int kTravel = 100;
constexpr double kNoSound = -std::numeric_limits<double>::infinity();

// A scale label: where its middle sits, in pixels of the thumb's travel
// above its lowest place, and the value it reads.
struct Mark {
  double offset;
  double db;
};

// Bottom to top, as the windows' layouts place the labels.
constexpr Mark kInputMarks[] = {{0.5, 0}, {23.5, 5}, {45.5, 10}, {67.5, 15}, {100.5, 22.5}};
constexpr Mark kMonitorMarks[] = {{10.5, -35}, {34.5, -20}, {58.5, -10}, {82.5, 0}, {106.5, 12}};
constexpr Mark kOutputMarks[] = {{3.5, kNoSound}, {20.5, -30}, {40.5, -20},
                                 {60.5, -10},     {80.5, -5},  {100.5, 0}};

std::span<const Mark> MarksOf(Fader fader) {
  switch (fader) {
    case Fader::Input:
      return kInputMarks;
    case Fader::Monitor:
      return kMonitorMarks;
    case Fader::Output:
      break;
  }
  return kOutputMarks;
}

int MaxOf(Fader fader) {
  return fader == Fader::Output ? 511 : 32767;
}

// The analog outputs window's volume law: v = K log10(p + 1), K taking the
// position 510 to the full word.
double OutputLevelScale() {
  return 65535.0 / std::log10(511.0);
}

}  // namespace

int FaderPosition(Fader fader, std::uint16_t word) {
  switch (fader) {
    case Fader::Input:  // rounded, kept within the fader
      return std::min(static_cast<int>(std::nearbyint(word / 2.0)), 32767);
    case Fader::Monitor:  // halved, truncated
      return word / 2;
    case Fader::Output:
      break;
  }
  const double p = std::nearbyint(std::pow(10.0, word / OutputLevelScale())) - 1.0;
  return static_cast<int>(std::clamp(p, 0.0, 510.0));
}

int ThumbOffset(Fader fader, int position) {
  const double fraction = std::clamp(position / static_cast<double>(MaxOf(fader)), 0.0, 1.0);
  return static_cast<int>(std::nearbyint(kTravel * fraction));
}

double ScaleDb(Fader fader, int offset) {
  const std::span<const Mark> marks = MarksOf(fader);
  // The thumb's ends are the scale's ends, wherever the labels' text sits.
  if (offset <= 0 || offset <= marks.front().offset) return marks.front().db;
  if (offset >= kTravel || offset >= marks.back().offset) return marks.back().db;
  std::size_t above = 1;
  while (marks[above].offset < offset) ++above;
  const Mark a = marks[above];
  Mark b = marks[above - 1];
  // Towards "no sound" the scale goes on as its last step above did.
  if (std::isinf(b.db)) b.db = a.db + (a.db - marks[above + 1].db);
  return a.db + (b.db - a.db) * (a.offset - offset) / (a.offset - b.offset);
}

double GainDb(Fader fader, std::uint16_t word) {
  return ScaleDb(fader, ThumbOffset(fader, FaderPosition(fader, word)));
}

float GainFactor(Fader fader, std::uint16_t word) {
  const double db = GainDb(fader, word);
  return std::isinf(db) ? 0.0f : static_cast<float>(std::pow(10.0, db / 20.0));
}

}  // namespace sim
