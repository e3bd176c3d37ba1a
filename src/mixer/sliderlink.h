#pragma once
// The fader routines every mixer window shares: walking the faders of a
// window or of one strip panel, the stereo link rule, the packing of a
// pair's faders into one gain word pair, the mapping between fader
// positions and the driver's gain words, and the change guard.
#include <cstdint>
#include <functional>

#include "controls/slider.h"
#include "ui/form.h"

namespace mixer {

using SliderAction = std::function<void(ui::TForm& form, controls::TSlider& slider)>;
// Calls action for every fader among form's components, in component order.
// The count is taken once, so faders made by the action are not visited.
void ForEachSlider(ui::TForm& form, const SliderAction& action);

using PairSliderAction =
    std::function<void(controls::TSlider& fader, std::int32_t value, controls::TSlider& child)>;
// Calls action for every fader among the children of fader's parent (the
// fader itself included), in the parent's child order.
void ForEachPairSlider(controls::TSlider& fader, std::int32_t value,
                       const PairSliderAction& action);

// Gives every fader of the pair the master's position; the master itself
// is assigned too, so it raises its change event as well. Without a master
// the first fader among panel's children leads.
void MoveLinkedSliders(controls::TSlider* master, ui::TWinControl* panel);

// A link box's click: once checked, the pair's faders follow the first
// one. A preset restores both faders of a pair as stored, so a box that a
// preset load checks leaves them as they are.
void LinkBoxClicked(ui::TComponent* box, bool preset_loading);

// Points the fader at the first check box among its parent's children,
// unless it already has a link box.
void AssignLinkCheck(controls::TSlider& fader);

// True when the fader's link box exists and is checked.
bool IsLinked(const controls::TSlider& fader);

// The driver's word for a fader position: twice the position, formed from
// the position's low 16 bits.
std::uint16_t GainWordOf(std::int32_t position);

// Both faders of fader's strip panel as one pair of words: each fader in
// child order shifts the value right by 16 and puts its word on top, so
// the left fader ends in the low word.
using PositionToWord = std::uint16_t (*)(std::int32_t position);
std::uint32_t PackPairWords(const controls::TSlider& fader, PositionToWord word_of);
// The GainPair of fader's strip panel: PackPairWords with GainWordOf.
std::uint32_t PackGainPair(const controls::TSlider& fader);

// The fader position for a driver word: half of it rounded to nearest,
// ties to even. An odd word near the top (65535) would land one above the
// fader's range; the result is kept within the fader's Min ... Max, so a
// value from the driver can never stop a window from opening.
std::int32_t PositionOfWordRounded(std::uint16_t word, const controls::TSlider& fader);
// Half the word, truncated (65535 gives 32767).
std::int32_t PositionOfWordTruncated(std::uint16_t word);

// The word of a fader's own channel in a GainPair read from the driver: the
// low word for a left channel (odd Number), the high word for a right one.
std::uint16_t ChannelWordOf(std::uint32_t gain_pair, const controls::TSlider& fader);

// Re-entrancy guard of the fader change handlers: closed while a change is
// handled or the faders are set from the driver, so the change events that
// this raises are ignored. Closed until the window opens it.
class ChangeGuard {
 public:
  bool Open() const { return open_; }
  void SetOpen(bool v) { open_ = v; }

 private:
  bool open_ = false;
};

// Closes the guard for a scope and opens it again at the end.
class ClosedGuard {
 public:
  explicit ClosedGuard(ChangeGuard& g) : guard_(g) { guard_.SetOpen(false); }
  ~ClosedGuard() { guard_.SetOpen(true); }
  ClosedGuard(const ClosedGuard&) = delete;
  ClosedGuard& operator=(const ClosedGuard&) = delete;

 private:
  ChangeGuard& guard_;
};

}  // namespace mixer
