#include "remote/address.h"

#include <algorithm>
#include <array>

namespace remote {

namespace {

constexpr int kMaxCards = 4;

struct WindowInfo {
  Window window;
  const char* name;
  int channels;  // per card; 0 for the control window
};
constexpr std::array<WindowInfo, 6> kWindows = {{
    {Window::kControl, "control", 0},
    {Window::kInputs, "inputs", 8},
    {Window::kMonitor, "monitor", 8},
    {Window::kOutputs, "outputs", 8},
    {Window::kDigitalIn, "digital-in", 2},
    {Window::kDigitalOut, "digital-out", 2},
}};

struct StripControl {
  Window window;
  What what;
  const char* name;
  bool per_pair;
};
// In the order a strip lists them.
constexpr StripControl kStripControls[] = {
    {Window::kInputs, What::kSource, "source", false},
    {Window::kInputs, What::kFader, "fader", false},
    {Window::kInputs, What::kMeter, "meter", false},
    {Window::kInputs, What::kLink, "link", true},
    {Window::kMonitor, What::kFader, "fader", false},
    {Window::kMonitor, What::kLink, "link", true},
    {Window::kMonitor, What::kMode, "mode", true},
    {Window::kMonitor, What::kMutePlay, "mute-play", true},
    {Window::kOutputs, What::kFader, "fader", false},
    {Window::kOutputs, What::kMute, "mute", false},
    {Window::kOutputs, What::kMeter, "meter", false},
    {Window::kOutputs, What::kLink, "link", true},
    {Window::kDigitalIn, What::kMeter, "meter", false},
    {Window::kDigitalOut, What::kMeter, "meter", false},
};

const WindowInfo& Info(Window w) {
  return kWindows[static_cast<int>(w)];
}

const StripControl* FindStripControl(Window w, std::string_view name) {
  for (const StripControl& c : kStripControls)
    if (c.window == w && name == c.name) return &c;
  return nullptr;
}

const StripControl* FindStripControl(Window w, What what) {
  for (const StripControl& c : kStripControls)
    if (c.window == w && c.what == what) return &c;
  return nullptr;
}

std::vector<std::string_view> Split(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t i = 0;
  while (i < path.size()) {
    const std::size_t j = std::min(path.find('/', i), path.size());
    parts.push_back(path.substr(i, j - i));
    i = j + 1;
  }
  return parts;
}

// A decimal number from 1 to max, nothing else.
std::optional<int> SmallNumber(std::string_view s, int max) {
  if (s.empty() || s.size() > 2) return std::nullopt;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  if (v < 1 || v > max) return std::nullopt;
  return v;
}

std::string PairName(int left) {
  return std::to_string(left + 1) + "-" + std::to_string(left + 2);
}

}  // namespace

const char* WindowName(Window w) {
  return Info(w).name;
}

std::optional<Window> WindowOfName(std::string_view name) {
  for (const WindowInfo& i : kWindows)
    if (name == i.name) return i.window;
  return std::nullopt;
}

std::optional<shell::MixerSlot> SlotOf(Window w) {
  switch (w) {
    case Window::kInputs:
      return shell::MixerSlot::AnalogInputs;
    case Window::kMonitor:
      return shell::MixerSlot::AnalogMonitors;
    case Window::kOutputs:
      return shell::MixerSlot::AnalogOutputs;
    case Window::kDigitalIn:
      return shell::MixerSlot::DigitalInput;
    case Window::kDigitalOut:
      return shell::MixerSlot::DigitalOutput;
    case Window::kControl:
      break;
  }
  return std::nullopt;
}

ValueKind KindOf(What what) {
  switch (what) {
    case What::kFader:
      return ValueKind::kDecibels;
    case What::kMeter:
      return ValueKind::kLevel;
    case What::kSource:
      return ValueKind::kSource;
    case What::kMode:
      return ValueKind::kMode;
    default:
      return ValueKind::kSwitch;
  }
}

const std::vector<std::string>& OptionsOf(Window w) {
  static const std::vector<std::string> kNone, kInputs{"routing", "meters", "faders"},
      kFaders{"faders"}, kOutputs{"meters", "faders"}, kMeters{"meters"};
  switch (w) {
    case Window::kInputs:
      return kInputs;
    case Window::kMonitor:
      return kFaders;
    case Window::kOutputs:
      return kOutputs;
    case Window::kDigitalIn:
    case Window::kDigitalOut:
      return kMeters;
    case Window::kControl:
      break;
  }
  return kNone;
}

std::optional<Address> ParseAddress(std::string_view path, std::string& error) {
  const std::vector<std::string_view> p = Split(path);
  auto fail = [&](std::string why) -> std::optional<Address> {
    error = std::move(why);
    return std::nullopt;
  };
  // A path starts with "/": the first part is empty.
  if (p.size() < 2 || !p[0].empty()) return fail("an address starts with /card or /window");
  Address a;
  if (p[1] == "window") {
    if (p.size() != 4) return fail("a window's address is /window/WINDOW/CONTROL");
    const auto w = WindowOfName(p[2]);
    if (!w) return fail("no window " + std::string(p[2]));
    a.window = *w;
    const std::string_view what = p[3];
    const auto& options = OptionsOf(*w);
    if (what == "open") {
      a.what = What::kOpen;
    } else if (what == "stay-on-top" && *w == Window::kControl) {
      a.what = What::kStayOnTop;
    } else if (what == "option-row" && *w != Window::kControl) {
      a.what = What::kOptionRow;
    } else if (std::find(options.begin(), options.end(), what) != options.end()) {
      a.what = What::kOption;
      a.option = what;
    } else {
      return fail("the window " + std::string(p[2]) + " has no control " + std::string(what));
    }
    return a;
  }
  if (p[1] != "card") return fail("an address starts with /card or /window");
  if (p.size() != 6) return fail("a strip's address is /card/N/WINDOW/CHANNEL/CONTROL");
  const auto card = SmallNumber(p[2], kMaxCards);
  if (!card) return fail("no card " + std::string(p[2]) + " (cards are 1 to 4)");
  const auto w = WindowOfName(p[3]);
  if (!w || *w == Window::kControl) return fail("no strip window " + std::string(p[3]));
  const StripControl* control = FindStripControl(*w, p[5]);
  if (!control)
    return fail("the window " + std::string(p[3]) + " has no control " + std::string(p[5]));
  a.window = *w;
  a.what = control->what;
  a.card = *card - 1;
  const int channels = Info(*w).channels;
  if (control->per_pair) {
    const std::string_view pair = p[4];
    const auto dash = pair.find('-');
    const auto left = SmallNumber(pair.substr(0, dash), channels);
    const auto right = dash == std::string_view::npos
                           ? std::nullopt
                           : SmallNumber(pair.substr(dash + 1), channels);
    if (!left || !right || *left % 2 != 1 || *right != *left + 1)
      return fail(std::string(p[5]) + " belongs to a pair: 1-2, 3-4, 5-6 or 7-8");
    a.channel = *left - 1;
  } else {
    const auto ch = SmallNumber(p[4], channels);
    if (!ch)
      return fail("no channel " + std::string(p[4]) + " (channels are 1 to " +
                  std::to_string(channels) + ")");
    a.channel = *ch - 1;
  }
  return a;
}

std::string FormatAddress(const Address& a) {
  if (!a.OfStrip()) {
    std::string s = std::string("/window/") + WindowName(a.window) + "/";
    switch (a.what) {
      case What::kOpen:
        return s + "open";
      case What::kStayOnTop:
        return s + "stay-on-top";
      case What::kOptionRow:
        return s + "option-row";
      default:
        return s + a.option;
    }
  }
  const StripControl* c = FindStripControl(a.window, a.what);
  const std::string part = c && c->per_pair ? PairName(a.channel) : std::to_string(a.channel + 1);
  return "/card/" + std::to_string(a.card + 1) + "/" + WindowName(a.window) + "/" + part + "/" +
         (c ? c->name : "?");
}

std::vector<Address> AllAddresses(int cards) {
  std::vector<Address> out;
  for (const WindowInfo& w : kWindows) {
    out.push_back({w.window, What::kOpen, -1, -1, {}});
    if (w.window == Window::kControl) {
      out.push_back({w.window, What::kStayOnTop, -1, -1, {}});
      continue;
    }
    for (const std::string& o : OptionsOf(w.window))
      out.push_back({w.window, What::kOption, -1, -1, o});
    out.push_back({w.window, What::kOptionRow, -1, -1, {}});
  }
  cards = std::clamp(cards, 0, kMaxCards);
  for (int card = 0; card < cards; ++card)
    for (const WindowInfo& w : kWindows)
      for (int ch = 0; ch < w.channels; ++ch)
        for (const StripControl& c : kStripControls)
          if (c.window == w.window && (!c.per_pair || ch % 2 == 0))
            out.push_back({w.window, c.what, card, ch, {}});
  return out;
}

}  // namespace remote
