#include "remote/strips.h"

#include "mixer/Ainp.h"
#include "mixer/Mon.h"
#include "shell/mixerwindow.h"
#include "ui/buttons.h"
#include "ui/controltraits.h"
#include "ui/stdctrls.h"

namespace remote {

namespace {

constexpr int kMaxChannels = 32;  // four cards of eight channels
constexpr int kMaxPairs = kMaxChannels / 2;

template <typename T>
void Put(std::vector<T*>& v, int i, T* c) {
  if (i < 0 || i >= kMaxChannels) return;
  if (static_cast<int>(v.size()) <= i) v.resize(i + 1, nullptr);
  if (!v[i]) v[i] = c;
}

}  // namespace

StripIndex::StripIndex(shell::TMixerWindow& window, Window kind) : window_(window), kind_(kind) {
  for (ui::TComponent* c : window.ComponentList()) {
    ui::TControl* control = ui::AsControl(c);
    if (!control) continue;
    const ui::ControlKind kind_of = ui::KindOf(*control);
    const ui::UserFacet& facet = ui::UserFacetOf(*control);
    if (kind_of == ui::ControlKind::Fader && facet.number) {
      Put(faders_, facet.number(*control) - 1, control);
    } else if (kind_of == ui::ControlKind::Meter) {
      Put(meters_, static_cast<int>(control->Tag()), control);
    } else if (auto* button = dynamic_cast<ui::TSpeedButton*>(c)) {
      if (kind == Window::kOutputs) {
        Put(mutes_, static_cast<int>(button->Tag()), button);
      } else if (kind == Window::kMonitor) {
        const bool mute = button->Tag() >= mixer::TfrmMon::kTagMute;
        const int pair = button->GroupIndex() -
                         (mute ? mixer::TfrmMon::kMuteGroupBase : mixer::TfrmMon::kModeGroupBase);
        const int slot = mute ? 3 : static_cast<int>(button->Tag());
        if (pair < 0 || pair >= kMaxPairs || slot < 0 || slot > 3) continue;
        if (static_cast<int>(pair_buttons_.size()) <= pair) pair_buttons_.resize(pair + 1);
        std::vector<ui::TSpeedButton*>& buttons = pair_buttons_[pair];
        buttons.resize(4, nullptr);
        if (!buttons[slot]) buttons[slot] = button;
      }
    }
  }
}

ui::TControl* StripIndex::Fader(int ch) const {
  return At(faders_, ch);
}

ui::TControl* StripIndex::Meter(int ch) const {
  return At(meters_, ch);
}

ui::TControl* StripIndex::Link(int ch) const {
  ui::TControl* fader = Fader(ch & ~1);
  const ui::UserFacet* f = fader ? &ui::UserFacetOf(*fader) : nullptr;
  return f && f->link ? f->link(*fader) : nullptr;
}

ui::TSpeedButton* StripIndex::Source(int ch, int kind) const {
  auto* inputs = dynamic_cast<mixer::TfrmAnalogInp*>(&window_);
  return inputs ? inputs->Route(ch, kind) : nullptr;
}

ui::TSpeedButton* StripIndex::Mode(int ch, int mode) const {
  if (mode < 0 || mode > 2 || ch / 2 >= static_cast<int>(pair_buttons_.size())) return nullptr;
  return pair_buttons_[ch / 2][mode];
}

ui::TSpeedButton* StripIndex::MutePlay(int ch) const {
  if (ch / 2 >= static_cast<int>(pair_buttons_.size())) return nullptr;
  return pair_buttons_[ch / 2][3];
}

ui::TSpeedButton* StripIndex::Mute(int ch) const {
  return At(mutes_, ch);
}

ui::TControl* StripIndex::Option(const std::string& name) const {
  struct Box {
    Window window;
    const char* option;
    const char* box;
  };
  static const Box kBoxes[] = {
      {Window::kInputs, "routing", "chkSourceSelect"},
      {Window::kInputs, "meters", "chkPeakMeter"},
      {Window::kInputs, "faders", "chkGainSlider"},
      {Window::kMonitor, "faders", "chkFaders"},
      {Window::kOutputs, "meters", "chkPeakMeter"},
      {Window::kOutputs, "faders", "chkFader"},
      {Window::kDigitalIn, "meters", "chkPeakMeter"},
      {Window::kDigitalOut, "meters", "chkPeakMeter"},
  };
  for (const Box& b : kBoxes)
    if (b.window == kind_ && name == b.option)
      return dynamic_cast<ui::TControl*>(window_.FindComponent(b.box));
  return nullptr;
}

ui::TControl* StripIndex::OptionRow() const {
  return window_.ChecksPanel();
}

}  // namespace remote
