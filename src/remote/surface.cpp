#include "remote/surface.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "controls/Class_b.h"
#include "mixer/mixerform.h"
#include "platform/winuser.h"
#include "remote/controlvalue.h"
#include "settings/formstate.h"
#include "settings/mixset.h"
#include "settings/winutils.h"
#include "shell/Mixctrl.h"
#include "shell/mixerwindow.h"
#include "shell/tbmainf.h"
#include "ui/application.h"
#include "ui/buttons.h"
#include "ui/exceptions.h"
#include "ui/form.h"

namespace remote {

namespace {

constexpr int kMaxCards = 4;
constexpr int kSlots = shell::kMixerSlots;

bool SameNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool LessNoCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) <
           std::tolower(static_cast<unsigned char>(y));
  });
}

// The index of name among names (any case), or -1.
template <std::size_t N>
int Choice(std::string_view name, const char* const (&names)[N]) {
  for (std::size_t i = 0; i < N; ++i)
    if (SameNoCase(name, names[i])) return static_cast<int>(i);
  return -1;
}

std::string Unknown(const std::string& what) {
  return "nothing controls " + what;
}

}  // namespace

sim::Fader FaderLaw(Window w) {
  return w == Window::kInputs    ? sim::Fader::Input
         : w == Window::kMonitor ? sim::Fader::Monitor
                                 : sim::Fader::Output;
}

// A mixer window the surface reads or changes: its index, and whether the
// surface made it hidden.
struct ControlSurface::Held {
  ui::TSafePtr<shell::TMixerWindow> window;
  std::unique_ptr<StripIndex> index;
  bool made_hidden = false;
  bool changed = false;
  std::int64_t last_change = 0;
};

ControlSurface::ControlSurface(shell::AppState& app, const sim::Clock& clock)
    : app_(app), clock_(clock) {
  for (int i = 0; i < kSlots; ++i) held_.push_back(std::make_unique<Held>());
}

ControlSurface::~ControlSurface() = default;

bool ControlSurface::Busy() const {
  ui::TApplication* a = ui::Application();
  return (a && a->InModalLoop()) || (busy_check_ && busy_check_());
}

shell::TMixControlWnd* ControlSurface::Control() const {
  return app_.MixControlWnd;
}

// Every operation: refused while a dialog waits for its answer; a window
// made hidden only for reading goes when the operation ends.
Reply ControlSurface::Do(const std::function<Reply()>& op) {
  if (Busy()) return Reply::Error("MORVA Manager waits for an answer in a dialog");
  if (!Control()) return Reply::Error("MORVA Manager has no control window (yet)");
  Reply r;
  try {
    r = op();
  } catch (const ui::EAbort&) {
    r = Reply::Error("the operation stopped");
  } catch (const std::exception& e) {
    r = Reply::Error(e.what());
  }
  ReleaseReadOnly();
  return r;
}

std::string ControlSurface::CheckAddress(const Address& a) const {
  if (a.window == Window::kControl) return {};
  if (!app_.Cards.CardsPresent) return "no card: the driver found none";
  const int cards = std::min(app_.Cards.CardCount, kMaxCards);
  if (a.OfStrip() && a.card >= cards)
    return "no card " + std::to_string(a.card + 1) + ": the system has " + std::to_string(cards);
  return {};
}

StripIndex* ControlSurface::OpenIndex(Window w) {
  const auto slot = SlotOf(w);
  shell::TMixControlWnd* control = Control();
  if (!slot || !control) return nullptr;
  shell::TMixerWindow* window = control->Slot(*slot);
  Held& h = *held_[static_cast<int>(*slot)];
  if (!window) return nullptr;
  if (h.window != window || !h.index) {
    h.window = window;
    h.index = std::make_unique<StripIndex>(*window, w);
    h.made_hidden = false;
    h.changed = false;
  }
  return h.index.get();
}

StripIndex* ControlSurface::Index(Window w, bool change, std::string& why) {
  const auto slot = SlotOf(w);
  shell::TMixControlWnd* control = Control();
  if (!slot || !control) {
    why = "no such window";
    return nullptr;
  }
  Held& h = *held_[static_cast<int>(*slot)];
  if (!control->Slot(*slot)) {
    if (!control->HiddenWindow(*slot)) {
      why = std::string("the window ") + WindowName(w) + " cannot be made";
      return nullptr;
    }
    OpenIndex(w);
    h.made_hidden = true;
  }
  StripIndex* index = OpenIndex(w);
  if (change && h.made_hidden) {
    h.changed = true;
    h.last_change = clock_.NowMs();
  }
  return index;
}

void ControlSurface::ReleaseReadOnly() {
  shell::TMixControlWnd* control = Control();
  for (int i = 0; i < kSlots; ++i) {
    Held& h = *held_[i];
    if (!h.window || !h.made_hidden || h.changed) continue;
    if (control) control->ReleaseHiddenWindow(static_cast<shell::MixerSlot>(i), false);
    h = Held{};
  }
}

void ControlSurface::Tick() {
  Poll();
  shell::TMixControlWnd* control = Control();
  if (!control || Busy()) return;
  const std::int64_t now = clock_.NowMs();
  for (int i = 0; i < kSlots; ++i) {
    Held& h = *held_[i];
    if (!h.window || !h.made_hidden) continue;
    const auto slot = static_cast<shell::MixerSlot>(i);
    if (now - h.last_change < kLingerMs) continue;
    h = Held{};
    if (ui::TApplication* a = ui::Application())
      a->Guard([&] { control->ReleaseHiddenWindow(slot, true); });
    else
      control->ReleaseHiddenWindow(slot, true);
  }
}

int ControlSurface::HiddenWindows() const {
  int n = 0;
  for (const auto& h : held_) n += h->window && h->made_hidden;
  return n;
}

// ---- reading and changing

Reply ControlSurface::Get(std::string_view address) {
  return Do([&] {
    std::string why;
    const auto a = ParseAddress(address, why);
    if (!a) return Reply::Error(why);
    if (why = CheckAddress(*a); !why.empty()) return Reply::Error(why);
    StripIndex* index = nullptr;
    if (a->InMixerWindow()) {
      index = Index(a->window, false, why);
      if (!index) return Reply::Error(why);
    }
    return Read(*a, index);
  });
}

Reply ControlSurface::Set(std::string_view address, std::string_view value) {
  return Do([&] {
    std::string why;
    const auto a = ParseAddress(address, why);
    if (!a) return Reply::Error(why);
    if (why = CheckAddress(*a); !why.empty()) return Reply::Error(why);
    // A value that cannot be is refused before any window is made for it.
    if (why = CheckValue(*a, value); !why.empty()) return Reply::Error(why);
    StripIndex* index = nullptr;
    if (a->InMixerWindow()) {
      index = Index(a->window, true, why);
      if (!index) return Reply::Error(why);
    }
    Reply r = Write(*a, value, index);
    if (!r.ok) return r;
    // The window may have gone with the change (its box unchecked).
    if (index && !OpenIndex(a->window)) return Reply{};
    return Read(*a, index ? OpenIndex(a->window) : nullptr);
  });
}

std::string ControlSurface::CheckValue(const Address& a, std::string_view value) const {
  const std::string text(value);
  switch (KindOf(a.what)) {
    case ValueKind::kLevel:
      return "a meter is read only";
    case ValueKind::kDecibels: {
      const auto db = ParseDecibels(value);
      if (!db) return "\"" + text + "\" is no value in dB";
      const Refusal r = CheckDecibels(FaderLaw(a.window), *db);
      return r ? *r : std::string();
    }
    case ValueKind::kSwitch:
      return ParseSwitch(value) ? "" : "\"" + text + "\" is neither on nor off";
    case ValueKind::kSource: {
      const int kind = Choice(value, kSourceNames);
      if (kind < 0) return "\"" + text + "\" is no source: Line, Mic or CD";
      if (kind == 2 && a.channel != 2 && a.channel != 3)
        return "channel " + std::to_string(a.channel + 1) +
               " has no CD input (CD: channels 3 and 4)";
      return {};
    }
    case ValueKind::kMode:
      return SameNoCase(value, kModeOff) || Choice(value, kModeNames) >= 0
                 ? ""
                 : "\"" + text + "\" is no mode: On, OnPunch, OnRec or Off";
  }
  return {};
}

// What a control shows, as a number: dB, 1/0, a source's or mode's index.
ControlSurface::Sample ControlSurface::Take(const Address& a, const StripIndex* index) const {
  const int ch = 8 * a.card + a.channel;
  shell::TMixControlWnd* control = Control();
  auto on = [](const ui::TControl* c) { return c ? Sample{true, IsOn(*c) ? 1.0 : 0.0} : Sample{}; };
  switch (a.what) {
    case What::kOpen:
      if (a.window == Window::kControl) return {true, control->Visible() ? 1.0 : 0.0};
      return on(control->BoxOf(*SlotOf(a.window)));
    case What::kStayOnTop:
      return on(control->chkStayOnTop);
    case What::kOption:
      return on(index->Option(a.option));
    case What::kOptionRow:
      return on(index->OptionRow());
    case What::kLink:
      return on(index->Link(ch));
    case What::kMute:
      return on(index->Mute(ch));
    case What::kMutePlay:
      return on(index->MutePlay(ch));
    case What::kFader:
      if (const ui::TControl* f = index->Fader(ch))
        return {true, FaderDecibels(*f, FaderLaw(a.window))};
      return {};
    case What::kMeter: {
      const bool digital = a.window == Window::kDigitalIn || a.window == Window::kDigitalOut;
      if (const ui::TControl* m = index->Meter(digital ? 2 * a.card + a.channel : ch))
        return {true, MeterDecibels(*m)};
      return {};
    }
    case What::kSource: {
      if (const ui::TSpeedButton* cd = index->Source(ch, 2); cd && cd->Down()) return {true, 2};
      for (int kind = 0; kind < 2; ++kind)
        if (const ui::TSpeedButton* b = index->Source(ch, kind); b && b->Down())
          return {true, double(kind)};
      return {true, -1};
    }
    case What::kMode:
      for (int m = 0; m < 3; ++m)
        if (const ui::TSpeedButton* b = index->Mode(ch, m); b && b->Down())
          return {true, double(m)};
      return {true, 3};
  }
  return {};
}

std::string ControlSurface::Text(const Address& a, const Sample& s) {
  // An index for a source or a mode (dB may be minus infinity).
  const int n = std::isfinite(s.number) ? static_cast<int>(s.number) : -1;
  switch (KindOf(a.what)) {
    case ValueKind::kDecibels:
    case ValueKind::kLevel:
      return DecibelText(s.number);
    case ValueKind::kSwitch:
      return SwitchText(s.number != 0);
    case ValueKind::kSource:
      return n >= 0 && n < 3 ? kSourceNames[n] : "none";
    case ValueKind::kMode:
      return n >= 0 && n < 3 ? kModeNames[n] : kModeOff;
  }
  return {};
}

Reply ControlSurface::Read(const Address& a, const StripIndex* index) const {
  const Sample s = Take(a, index);
  if (!s.ok) return Reply::Error(Unknown(FormatAddress(a)));
  return {true, Text(a, s)};
}

Reply ControlSurface::Write(const Address& a, std::string_view value, StripIndex* index) {
  const int ch = 8 * a.card + a.channel;
  shell::TMixControlWnd* control = Control();
  // The value is one CheckValue took.
  const bool on = KindOf(a.what) == ValueKind::kSwitch && *ParseSwitch(value);
  auto to = [&](ui::TControl* c) -> Reply {
    if (!c) return Reply::Error(Unknown(FormatAddress(a)));
    if (Refusal r = SwitchTo(*c, on)) return Reply::Error(*r);
    return Reply{};
  };
  switch (a.what) {
    case What::kOpen: {
      if (a.window != Window::kControl) return to(control->BoxOf(*SlotOf(a.window)));
      if (on == control->Visible()) return Reply{};
      // As a double click on the tray icon, or the window's close box.
      const NOTIFYICONDATAA& tray = app_.TrayIconData;
      if (on && tray.hWnd)
        ui::Application()->Guard([&] {
          ui::Application()->SendMessage(tray.hWnd, tray.uCallbackMessage, tray.uID,
                                         WM_LBUTTONDBLCLK);
        });
      else if (!on)
        ui::Application()->Guard([&] { control->Perform(WM_SYSCOMMAND, ui::SC_CLOSE, 0); });
      return Reply{};
    }
    case What::kStayOnTop:
      return to(control->chkStayOnTop);
    case What::kOption:
      return to(index->Option(a.option));
    case What::kLink:
      return to(index->Link(ch));
    case What::kMute:
      return to(index->Mute(ch));
    case What::kMutePlay:
      return to(index->MutePlay(ch));
    case What::kOptionRow: {
      ui::TControl* row = index->OptionRow();
      if (!row) return Reply::Error(Unknown(FormatAddress(a)));
      // The window's system-menu item, as the user picks it.
      ui::TForm& w = index->window();
      if (row->Visible() != on)
        ui::Application()->Guard([&] { w.Perform(WM_SYSCOMMAND, settings::CommandOf(row), 0); });
      return Reply{};
    }
    case What::kFader: {
      ui::TControl* f = index->Fader(ch);
      if (!f) return Reply::Error(Unknown(FormatAddress(a)));
      if (Refusal r = DragFaderTo(*f, FaderLaw(a.window), *ParseDecibels(value)))
        return Reply::Error(*r);
      return Reply{};
    }
    case What::kSource: {
      ui::TSpeedButton* b = index->Source(ch, Choice(value, kSourceNames));
      if (!b) return Reply::Error(Unknown(FormatAddress(a)));
      if (Refusal r = SwitchTo(*b, true)) return Reply::Error(*r);
      return Reply{};
    }
    case What::kMode: {
      const int mode = SameNoCase(value, kModeOff) ? 3 : Choice(value, kModeNames);
      if (mode < 3) {
        ui::TSpeedButton* b = index->Mode(ch, mode);
        if (!b) return Reply::Error(Unknown(FormatAddress(a)));
        if (Refusal r = SwitchTo(*b, true)) return Reply::Error(*r);
        return Reply{};
      }
      // Off: the pressed mode is released, as a click on it does.
      for (int m = 0; m < 3; ++m)
        if (ui::TSpeedButton* b = index->Mode(ch, m); b && b->Down())
          if (Refusal r = SwitchTo(*b, false)) return Reply::Error(*r);
      return Reply{};
    }
    case What::kMeter:
      break;
  }
  return Reply::Error("a meter is read only");
}

Reply ControlSurface::List(std::string_view prefix) {
  return Do([&] {
    Reply out;
    bool any = false;
    for (const auto& [a, path] : Addresses()) {
      if (path.compare(0, prefix.size(), prefix) != 0) continue;
      any = true;
      std::string why;
      StripIndex* index = nullptr;
      if (a.InMixerWindow()) {
        if (why = CheckAddress(a); why.empty()) index = Index(a.window, false, why);
      }
      const Reply r = why.empty() ? Read(a, index) : Reply::Error(why);
      out.text += path + " " + (r.ok ? r.text : "? (" + r.text + ")") + "\n";
    }
    if (!any) return Reply::Error("no address begins with " + std::string(prefix));
    return out;
  });
}

const std::vector<std::pair<Address, std::string>>& ControlSurface::Addresses() {
  const int cards = app_.Cards.CardsPresent ? std::min(app_.Cards.CardCount, kMaxCards) : 0;
  if (cards != addresses_cards_) {
    addresses_.clear();
    for (const Address& a : AllAddresses(cards)) addresses_.emplace_back(a, FormatAddress(a));
    addresses_cards_ = cards;
    seen_.assign(addresses_.size(), Seen{});
  }
  return addresses_;
}

// ---- presets and windows

Reply ControlSurface::PresetWindow(std::string_view window, std::string& caption, Window& w) const {
  if (window.empty() || window == "all") {
    caption = settings::kControlWindowCaption;
    w = Window::kControl;
    return Reply{};
  }
  const auto found = WindowOfName(window);
  if (!found ||
      (*found != Window::kInputs && *found != Window::kMonitor && *found != Window::kOutputs))
    return Reply::Error(
        "presets are kept for all windows together (all), inputs, monitor "
        "and outputs, not for " +
        std::string(window));
  w = *found;
  caption = shell::MixerCaption(*SlotOf(w));
  return Reply{};
}

Reply ControlSurface::Presets(std::string_view window) {
  return Do([&] {
    std::string caption;
    Window w;
    if (Reply r = PresetWindow(window, caption, w); !r.ok) return r;
    std::vector<std::string> names = settings::PresetNames(caption, settings::kSettingsFileName);
    std::stable_sort(names.begin(), names.end(), LessNoCase);
    Reply out;
    for (const std::string& n : names) out.text += n + "\n";
    return out;
  });
}

Reply ControlSurface::LoadPreset(std::string_view window, std::string_view name) {
  return Do([&] {
    std::string caption, why;
    Window w;
    if (Reply r = PresetWindow(window, caption, w); !r.ok) return r;
    if (!app_.Cards.CardsPresent) return Reply::Error("no card: the driver found none");
    const auto names = settings::PresetNames(caption, settings::kSettingsFileName);
    if (std::find(names.begin(), names.end(), name) == names.end())
      return Reply::Error("no preset \"" + std::string(name) + "\" for " +
                          (w == Window::kControl ? "all windows" : WindowName(w)));
    if (w == Window::kControl) {
      Control()->PresetAll(true, std::string(name));
      return Reply{};
    }
    StripIndex* index = Index(w, true, why);
    auto* form = index ? dynamic_cast<mixer::TMixerForm*>(&index->window()) : nullptr;
    if (!form) return Reply::Error(why);
    form->LoadPreset(std::string(name));
    return Reply{};
  });
}

Reply ControlSurface::SavePreset(std::string_view window, std::string_view name) {
  return Do([&] {
    std::string caption, why;
    Window w;
    if (Reply r = PresetWindow(window, caption, w); !r.ok) return r;
    if (!app_.Cards.CardsPresent) return Reply::Error("no card: the driver found none");
    const std::string n(name);
    if (n.empty()) return Reply::Error("a preset needs a name");
    // As the picker refuses them: a new name must be one the file can hold.
    const auto names = settings::PresetNames(caption, settings::kSettingsFileName);
    std::string refusal;
    if (std::find(names.begin(), names.end(), n) == names.end())
      refusal = settings::TfrmMixSettings::CheckPresetName(n);
    if (refusal.empty()) refusal = settings::TfrmMixSettings::CheckSaveName(caption, n);
    if (!refusal.empty()) return Reply::Error(refusal);
    if (w == Window::kControl) {
      Control()->PresetAll(false, n);
      return Reply{};
    }
    StripIndex* index = Index(w, false, why);
    auto* form = index ? dynamic_cast<mixer::TMixerForm*>(&index->window()) : nullptr;
    if (!form) return Reply::Error(why);
    form->SavePreset(n);
    return Reply{};
  });
}

Reply ControlSurface::ErasePreset(std::string_view window, std::string_view name) {
  return Do([&] {
    std::string caption;
    Window w;
    if (Reply r = PresetWindow(window, caption, w); !r.ok) return r;
    const auto names = settings::PresetNames(caption, settings::kSettingsFileName);
    if (std::find(names.begin(), names.end(), name) == names.end())
      return Reply::Error("no preset \"" + std::string(name) + "\" for " +
                          (w == Window::kControl ? "all windows" : WindowName(w)));
    settings::ErasePreset(caption, settings::kSettingsFileName, std::string(name));
    return Reply{};
  });
}

Reply ControlSurface::Show(std::string_view window) {
  if (window.empty() || window == WindowName(Window::kControl)) {
    // As a double click on the tray icon: posted, so that it is taken also
    // while a dialog waits for its answer.
    const NOTIFYICONDATAA& tray = app_.TrayIconData;
    ui::TApplication* a = ui::Application();
    if (!tray.hWnd || !a) return Reply::Error("MORVA Manager has no tray icon (yet)");
    a->PostMessage(tray.hWnd, tray.uCallbackMessage, tray.uID, WM_LBUTTONDBLCLK);
    return Reply{};
  }
  return Do([&] {
    const auto w = WindowOfName(window);
    if (!w) return Reply::Error("no window " + std::string(window));
    if (!app_.Cards.CardsPresent) return Reply::Error("no card: the driver found none");
    shell::TMixControlWnd* control = Control();
    const auto slot = *SlotOf(*w);
    if (Refusal r = SwitchTo(*control->BoxOf(slot), true)) return Reply::Error(*r);
    // Already open: brought to the front.
    if (shell::TMixerWindow* shown = control->Slot(slot))
      ui::Application()->Guard([&] { shown->Show(); });
    return Reply{};
  });
}

// ---- feedback

bool ControlSurface::Subscriber::Wants(const std::string& path) const {
  static constexpr std::string_view kMeter = "/meter";
  if (path.compare(0, prefix.size(), prefix) != 0) return false;
  return meters || path.size() < kMeter.size() ||
         path.compare(path.size() - kMeter.size(), kMeter.size(), kMeter) != 0;
}

int ControlSurface::Subscribe(std::string prefix, Sink sink, bool send_current, bool meters) {
  // What changed before is told to those who asked before.
  Tell(Changes());
  const int id = next_id_++;
  subscribers_.push_back({id, std::move(prefix), std::move(sink), meters});
  // The values shown now are the ones later changes are told against.
  const Subscriber s = subscribers_.back();
  for (const auto& [path, value] : Changes(&s))
    if (send_current) s.sink(path, value);
  return id;
}

bool ControlSurface::MetersWanted() const {
  return std::any_of(subscribers_.begin(), subscribers_.end(),
                     [](const Subscriber& s) { return s.meters; });
}

void ControlSurface::Unsubscribe(int id) {
  std::erase_if(subscribers_, [id](const Subscriber& s) { return s.id == id; });
}

std::vector<std::pair<std::string, std::string>> ControlSurface::Changes(const Subscriber* only) {
  std::vector<std::pair<std::string, std::string>> changed;
  if (!Control() || Busy()) return changed;
  const auto& addresses = Addresses();
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    const Address& a = addresses[i].first;
    const std::string& path = addresses[i].second;
    // Only what somebody asked for is read.
    const auto wants = [&path](const Subscriber& s) { return s.Wants(path); };
    if (only ? !only->Wants(path) : std::none_of(subscribers_.begin(), subscribers_.end(), wants))
      continue;
    const bool needs_window = a.InMixerWindow();
    StripIndex* index = needs_window ? OpenIndex(a.window) : nullptr;
    if (needs_window && !index) continue;
    const Sample now = Take(a, index);
    Seen& seen = seen_[i];
    if (!now.ok || (!only && seen.known && seen.sample == now.number)) continue;
    seen.known = true;
    seen.sample = now.number;
    std::string text = Text(a, now);
    // Everything the new subscriber sees is news to it.
    if (!only && text == seen.text) continue;
    seen.text = text;
    changed.emplace_back(path, std::move(text));
  }
  return changed;
}

void ControlSurface::Tell(const std::vector<std::pair<std::string, std::string>>& changed) {
  if (changed.empty()) return;
  // A sink may subscribe or unsubscribe.
  const std::vector<Subscriber> now = subscribers_;
  for (const Subscriber& s : now)
    for (const auto& [path, value] : changed)
      if (s.Wants(path)) s.sink(path, value);
}

void ControlSurface::Poll() {
  if (!subscribers_.empty()) Tell(Changes());
}

}  // namespace remote
