#include "mixer/sliderlink.h"

#include <algorithm>

#include "ui/stdctrls.h"

namespace mixer {

void ForEachSlider(ui::TForm& form, const SliderAction& action) {
  const int count = form.ComponentCount();
  for (int i = 0; i < count && i < form.ComponentCount(); ++i)
    if (auto* s = dynamic_cast<controls::TSlider*>(form.Components(i))) action(form, *s);
}

void ForEachPairSlider(controls::TSlider& fader, std::int32_t value,
                       const PairSliderAction& action) {
  ui::TWinControl* parent = fader.Parent();
  if (!parent) return;
  for (ui::TControl* c : parent->ControlList())
    if (auto* s = dynamic_cast<controls::TSlider*>(c)) action(fader, value, *s);
}

void MoveLinkedSliders(controls::TSlider* master, ui::TWinControl* panel) {
  if (!master && panel) {
    for (ui::TControl* c : panel->ControlList()) {
      master = dynamic_cast<controls::TSlider*>(c);
      if (master) break;
    }
  }
  if (!master) return;
  ForEachPairSlider(*master, 0, [](controls::TSlider& m, std::int32_t, controls::TSlider& child) {
    child.SetPosition(m.Position());
  });
}

void LinkBoxClicked(ui::TComponent* box, bool preset_loading) {
  auto* check = dynamic_cast<ui::TCheckBox*>(box);
  if (check && check->Checked() && !preset_loading) MoveLinkedSliders(nullptr, check->Parent());
}

void AssignLinkCheck(controls::TSlider& fader) {
  if (fader.LinkCheck() || !fader.Parent()) return;
  for (ui::TControl* c : fader.Parent()->ControlList()) {
    if (auto* box = dynamic_cast<ui::TCheckBox*>(c)) {
      fader.SetLinkCheck(box);
      return;
    }
  }
}

bool IsLinked(const controls::TSlider& fader) {
  return fader.LinkCheck() && fader.LinkCheck()->Checked();
}

std::uint16_t GainWordOf(std::int32_t position) {
  return static_cast<std::uint16_t>(static_cast<std::uint16_t>(position) * 2u);
}

std::uint32_t PackPairWords(const controls::TSlider& fader, PositionToWord word_of) {
  std::uint32_t value = 0;
  ui::TWinControl* parent = fader.Parent();
  if (!parent) return word_of(fader.Position());
  for (ui::TControl* c : parent->ControlList()) {
    if (auto* s = dynamic_cast<controls::TSlider*>(c)) {
      value >>= 16;
      value |= static_cast<std::uint32_t>(word_of(s->Position())) << 16;
    }
  }
  return value;
}

std::uint32_t PackGainPair(const controls::TSlider& fader) {
  return PackPairWords(fader, &GainWordOf);
}

std::int32_t PositionOfWordRounded(std::uint16_t word, const controls::TSlider& fader) {
  // Halves to even: an odd word lands on the even one of its two neighbours.
  std::int32_t half = word / 2;
  if ((word & 1) && (half & 1)) ++half;
  return std::clamp(half, std::min(fader.Min(), fader.Max()), std::max(fader.Min(), fader.Max()));
}

std::int32_t PositionOfWordTruncated(std::uint16_t word) {
  return word / 2;
}

std::uint16_t ChannelWordOf(std::uint32_t gain_pair, const controls::TSlider& fader) {
  return static_cast<std::uint16_t>((fader.Number() & 1) ? gain_pair : gain_pair >> 16);
}

}  // namespace mixer
