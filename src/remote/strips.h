#pragma once
// Where an address's control lies in a mixer window: looked up once per
// window by what the windows give their controls (a fader's number and
// link box, as its class's user facet tells them, a meter's or a mute
// button's Tag, a source button's route, a monitor button's group), so
// cloned strips are found as well as the designed one, named or not.
#include <string>
#include <vector>

#include "remote/address.h"

namespace shell {
class TMixerWindow;
}
namespace ui {
class TControl;
class TSpeedButton;
}  // namespace ui

namespace remote {

// The source codes of the input source buttons, and the monitor modes.
constexpr const char* kSourceNames[] = {"Line", "Mic", "CD"};
constexpr const char* kModeNames[] = {"On", "OnPunch", "OnRec"};
constexpr const char* kModeOff = "Off";

class StripIndex {
 public:
  StripIndex(shell::TMixerWindow& window, Window kind);

  shell::TMixerWindow& window() const { return window_; }
  // ch: the window's channel (8 per card, 2 for the digital windows).
  ui::TControl* Fader(int ch) const;
  ui::TControl* Meter(int ch) const;
  // The link box of the pair of channel ch.
  ui::TControl* Link(int ch) const;
  // The analog inputs' source button of ch: 0 Line, 1 Mic, 2 CD (pair 3/4).
  ui::TSpeedButton* Source(int ch, int kind) const;
  // The monitor's mode buttons (0 On, 1 OnPunch, 2 OnRec) and "Mute Play"
  // of the pair of channel ch.
  ui::TSpeedButton* Mode(int ch, int mode) const;
  ui::TSpeedButton* MutePlay(int ch) const;
  // The analog outputs' mute button of ch.
  ui::TSpeedButton* Mute(int ch) const;
  // An option box by its address name; the option row.
  ui::TControl* Option(const std::string& name) const;
  ui::TControl* OptionRow() const;

 private:
  template <typename T>
  static T* At(const std::vector<T*>& v, int i) {
    return i >= 0 && i < static_cast<int>(v.size()) ? v[i] : nullptr;
  }

  shell::TMixerWindow& window_;
  Window kind_;
  std::vector<ui::TControl*> faders_;
  std::vector<ui::TControl*> meters_;
  std::vector<ui::TSpeedButton*> mutes_;
  // Per pair: the three mode buttons, then "Mute Play".
  std::vector<std::vector<ui::TSpeedButton*>> pair_buttons_;
};

}  // namespace remote
