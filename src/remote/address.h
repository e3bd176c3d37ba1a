#pragma once
// The addresses of control from outside: one stable path for every control
// a user can operate in the mixer windows and the control window, the same
// for the command line, D-Bus, OSC and MIDI mappings.
//
//   /card/N/inputs/C/source       Line, Mic or CD       (N card 1-4, C channel 1-8)
//   /card/N/inputs/C/fader        dB                    (0.0 to 22.5)
//   /card/N/inputs/C/meter        dB, read only
//   /card/N/inputs/P/link         on or off             (P pair 1-2, 3-4, 5-6, 7-8)
//   /card/N/monitor/C/fader       dB                    (-35.0 to 12.0)
//   /card/N/monitor/P/link        on or off
//   /card/N/monitor/P/mode        On, OnPunch, OnRec or Off
//   /card/N/monitor/P/mute-play   on or off
//   /card/N/outputs/C/fader       dB                    (-inf, -39.7 to 0.0)
//   /card/N/outputs/C/mute        on or off
//   /card/N/outputs/C/meter       dB, read only
//   /card/N/outputs/P/link        on or off
//   /card/N/digital-in/C/meter    dB, read only         (C 1 left, 2 right)
//   /card/N/digital-out/C/meter   dB, read only
//   /window/W/open                on or off             (W control, inputs, monitor, outputs,
//                                                         digital-in, digital-out)
//   /window/W/option-row          on or off             (not for control)
//   /window/W/OPTION              on or off: inputs routing|meters|faders, monitor faders,
//                                 outputs meters|faders, digital-in|digital-out meters
//   /window/control/stay-on-top   on or off
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/appstate.h"

namespace remote {

enum class Window { kControl, kInputs, kMonitor, kOutputs, kDigitalIn, kDigitalOut };

// "control", "inputs", "monitor", "outputs", "digital-in", "digital-out".
const char* WindowName(Window w);
std::optional<Window> WindowOfName(std::string_view name);
// The control window's slot of a mixer window; none for the control window.
std::optional<shell::MixerSlot> SlotOf(Window w);

enum class What {
  // one strip's controls
  kSource,
  kFader,
  kMeter,
  kLink,
  kMode,
  kMutePlay,
  kMute,
  // a window's
  kOpen,
  kOptionRow,
  kOption,
  kStayOnTop,
};

// What a control's value is.
enum class ValueKind { kDecibels, kLevel, kSwitch, kSource, kMode };
ValueKind KindOf(What what);

struct Address {
  Window window = Window::kControl;
  What what = What::kOpen;
  // Card and channel within the card, from 0; a pair's controls carry the
  // pair's left channel. -1 for a window's controls.
  int card = -1;
  int channel = -1;
  // kOption: "routing", "meters" or "faders".
  std::string option;

  bool OfStrip() const { return card >= 0; }
  // A control of a mixer window (not one of the control window's).
  bool InMixerWindow() const {
    return OfStrip() || what == What::kOption || what == What::kOptionRow;
  }
  bool operator==(const Address&) const = default;
};

// The address for a path, or nothing with the reason in error.
std::optional<Address> ParseAddress(std::string_view path, std::string& error);
std::string FormatAddress(const Address& a);

// Every address of a system of cards (at most four), in a fixed order:
// the windows' controls, then card by card, window by window, channel by
// channel.
std::vector<Address> AllAddresses(int cards);

// The option boxes of a window, by their address names.
const std::vector<std::string>& OptionsOf(Window w);

}  // namespace remote
