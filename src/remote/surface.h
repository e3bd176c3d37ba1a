#pragma once
// The control surface: every control and preset operation of the windows
// for control from outside (the command line, D-Bus, OSC, MIDI), by the
// addresses of remote/address.h and in the units the windows show.
//
// A change is the user's own click or drag on the window's control, so the
// driver messages, the link rule, the stored state and the windows are as
// for the user. A control whose window is closed is reached through the
// window made hidden, as a combined preset makes its windows: created and
// prepared by its FormShow, never shown. A window made for a change stays
// (hidden) while changes keep coming and is closed a little after the last
// one (it then saves its own section, as a closing window does); one made
// only for reading goes at once, unclosed, so reading changes nothing.
// Checking the window's box meanwhile closes it, and the user's window
// restores what it saved.
//
// Changes from any source reach subscribers: Poll compares what the open
// windows show with what was last sent.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "remote/address.h"
#include "remote/strips.h"
#include "shell/appstate.h"
#include "sim/clock.h"
#include "sim/gainlaw.h"

namespace shell {
class TMixControlWnd;
}

namespace remote {

// The law of the faders of a mixer window (its scale).
sim::Fader FaderLaw(Window w);

// What an operation came to: the value (or the lines of a list) when it
// went through, else why not.
struct Reply {
  bool ok = true;
  std::string text;
  static Reply Error(std::string why) { return {false, std::move(why)}; }
};

class ControlSurface {
 public:
  // A window made hidden for a change is closed this long after the last.
  static constexpr std::int64_t kLingerMs = 2000;

  ControlSurface(shell::AppState& app, const sim::Clock& clock);
  ~ControlSurface();
  ControlSurface(const ControlSurface&) = delete;
  ControlSurface& operator=(const ControlSurface&) = delete;

  Reply Get(std::string_view address);
  // The value is text in the window's units: dB ("-7.5", "-inf"), on/off,
  // the source's or the monitor mode's name. The reply holds the value the
  // window shows afterwards (a fader goes to whole pixels of its travel).
  Reply Set(std::string_view address, std::string_view value);
  // "ADDRESS VALUE" lines for every address beginning with prefix.
  Reply List(std::string_view prefix);

  // Presets of a window: "all" (or empty) for the combined presets of the
  // control window, else "inputs", "monitor" or "outputs".
  Reply Presets(std::string_view window);
  Reply LoadPreset(std::string_view window, std::string_view name);
  Reply SavePreset(std::string_view window, std::string_view name);
  Reply ErasePreset(std::string_view window, std::string_view name);
  // Shows a window as the tray's "Öffnen" (control) or its box does.
  Reply Show(std::string_view window);

  // A modal loop or a message box runs: operations wait until it ends
  // (they are refused meanwhile). The program adds its own check (a
  // message box of the widgetset's) to the application's modal loops.
  bool Busy() const;
  void SetBusyCheck(std::function<bool()> busy) { busy_check_ = std::move(busy); }

  using Sink = std::function<void(const std::string& address, const std::string& value)>;
  // Feedback of every address beginning with prefix, from any source of
  // change; the meters' levels only with meters. With send_current, the
  // values shown now are sent at once.
  int Subscribe(std::string prefix, Sink sink, bool send_current, bool meters = false);
  void Unsubscribe(int id);
  // Sends what changed since the last poll to the subscribers.
  void Poll();
  // Whether a subscriber asked for the meters' levels.
  bool MetersWanted() const;
  // Poll, and the windows made hidden for changes that are idle go.
  void Tick();
  // Windows made hidden for changes that are still there.
  int HiddenWindows() const;

 private:
  struct Held;
  class Request;

  Reply Do(const std::function<Reply()>& op);
  shell::TMixControlWnd* Control() const;
  std::string CheckAddress(const Address& a) const;
  // Why a value cannot be set there; empty when it can.
  std::string CheckValue(const Address& a, std::string_view value) const;
  // The window's index; a closed window is made hidden for the request
  // (for a change: until it is idle). Null with the reason in why.
  StripIndex* Index(Window w, bool change, std::string& why);
  // The index of a window that exists, without making one.
  StripIndex* OpenIndex(Window w);
  struct Sample {
    bool ok = false;
    double number = 0;
  };
  Sample Take(const Address& a, const StripIndex* index) const;
  static std::string Text(const Address& a, const Sample& s);
  Reply Read(const Address& a, const StripIndex* index) const;
  Reply Write(const Address& a, std::string_view value, StripIndex* index);
  Reply PresetWindow(std::string_view window, std::string& caption, Window& w) const;
  void ReleaseReadOnly();
  struct Subscriber;
  // What the open windows show that differs from what was last seen, of
  // the addresses some subscriber wants; with only, everything that one
  // wants, as it is now.
  std::vector<std::pair<std::string, std::string>> Changes(const Subscriber* only = nullptr);
  void Tell(const std::vector<std::pair<std::string, std::string>>& changed);
  const std::vector<std::pair<Address, std::string>>& Addresses();

  shell::AppState& app_;
  const sim::Clock& clock_;
  std::function<bool()> busy_check_;
  std::vector<std::unique_ptr<Held>> held_;
  struct Subscriber {
    int id;
    std::string prefix;
    Sink sink;
    bool meters;
    bool Wants(const std::string& path) const;
  };
  std::vector<Subscriber> subscribers_;
  int next_id_ = 1;
  // Per address: what was last seen, as a number and as text.
  struct Seen {
    bool known = false;
    double sample = 0;
    std::string text;
  };
  std::vector<Seen> seen_;
  std::vector<std::pair<Address, std::string>> addresses_;
  int addresses_cards_ = -1;
};

}  // namespace remote
