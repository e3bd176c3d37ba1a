#include "remote/commands.h"

#include <algorithm>

#include "remote/midi.h"
#include "remote/surface.h"

namespace remote {

namespace {

struct Command {
  const char* name;
  std::size_t min_args, max_args;  // after the name
  const char* usage;
  const char* what;
};

constexpr std::size_t kMany = 64;

constexpr Command kCommands[] = {
    {"show", 0, 1, "show [WINDOW]",
     "show the control window (as a double click on the tray icon), or open a mixer window"},
    {"get", 1, kMany, "get ADDRESS...", "print the value of each control"},
    {"set", 2, kMany, "set ADDRESS VALUE [ADDRESS VALUE]...",
     "change controls as a click or a drag would, and print the values they then show"},
    {"list", 0, 1, "list [PREFIX]", "print every address (beginning with PREFIX) and its value"},
    {"presets", 0, 1, "presets [WINDOW]",
     "print the names of the presets of all windows, or of inputs, monitor or outputs"},
    {"load", 1, 2, "load NAME [WINDOW]", "load a preset"},
    {"save", 1, 2, "save NAME [WINDOW]", "save the windows' settings as a preset"},
    {"erase", 1, 2, "erase NAME [WINDOW]", "erase a preset"},
    {"learn", 1, 2, "learn ADDRESS [VALUE]",
     "let the next knob, fader or button moved on a MIDI controller work the control (VALUE: "
     "the source or monitor mode it chooses)"},
    {"forget", 1, 1, "forget ADDRESS", "forget what MIDI controllers learned for the control"},
    {"learned", 0, 0, "learned", "print what MIDI controllers learned"},
};

const Command* Find(const std::string& name) {
  for (const Command& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

CommandReply From(const Reply& r) {
  return {r.ok ? Status::kOk : Status::kFailed, r.text};
}

std::string Line(std::string s) {
  if (!s.empty() && s.back() != '\n') s += '\n';
  return s;
}

}  // namespace

bool IsCommand(const std::string& word) {
  return Find(word) != nullptr;
}

std::string CommandUsageError(const std::vector<std::string>& words) {
  if (words.empty()) return "no command";
  const Command* c = Find(words[0]);
  if (!c) return "unknown command " + words[0] + " (morva-manager --help lists them)";
  const std::size_t args = words.size() - 1;
  if (args < c->min_args || args > c->max_args || (words[0] == "set" && args % 2 != 0))
    return std::string("usage: morva-manager ") + c->usage;
  for (const std::string& w : words)
    for (char ch : w)
      if (static_cast<unsigned char>(ch) < 0x20)
        return "a word of the command holds a control character";
  return {};
}

CommandReply RunCommand(ControlSurface& surface, const std::vector<std::string>& words,
                        MidiEndpoint* midi) {
  if (std::string why = CommandUsageError(words); !why.empty()) return {Status::kUsage, why};
  const std::string& name = words[0];
  const std::string arg1 = words.size() > 1 ? words[1] : std::string();
  const std::string arg2 = words.size() > 2 ? words[2] : std::string();
  if (name == "show") return From(surface.Show(arg1));
  if (name == "list") return From(surface.List(arg1));
  if (name == "presets") return From(surface.Presets(arg1));
  if (name == "load") return From(surface.LoadPreset(arg2, arg1));
  if (name == "save") return From(surface.SavePreset(arg2, arg1));
  if (name == "erase") return From(surface.ErasePreset(arg2, arg1));
  if (name == "learn" || name == "forget" || name == "learned") {
    if (!midi) return {Status::kFailed, "no MIDI: the cards are not on a JACK server"};
    if (name == "learn") return From(midi->Learn(arg1, arg2));
    if (name == "forget") return From(midi->Forget(arg1));
    return {Status::kOk, midi->Learned()};
  }
  // get and set: one value alone, or "ADDRESS VALUE" lines; a set stops at
  // the first change that is refused.
  const bool set = name == "set";
  const std::size_t step = set ? 2 : 1;
  const bool one = words.size() == 1 + step;
  CommandReply out;
  for (std::size_t i = 1; i < words.size(); i += step) {
    const Reply r = set ? surface.Set(words[i], words[i + 1]) : surface.Get(words[i]);
    if (!r.ok) {
      out.status = Status::kFailed;
      out.text += Line(words[i] + ": " + r.text);
      if (set) break;
      continue;
    }
    out.text += Line(one ? r.text : words[i] + " " + r.text);
  }
  return out;
}

std::string CommandHelp() {
  std::string s =
      "Usage: morva-manager [COMMAND [ARGUMENT]...]\n"
      "Without a command MORVA Manager starts, or shows the control window of the one that "
      "runs.\n"
      "A command is carried out by the running MORVA Manager:\n";
  for (const Command& c : kCommands) {
    std::string usage = std::string("  ") + c.usage;
    usage.resize(std::max<std::size_t>(usage.size() + 1, 40), ' ');
    s += usage + c.what + "\n";
  }
  s += "WINDOW is control, inputs, monitor, outputs, digital-in or digital-out; for presets all "
       "(the default), inputs, monitor or outputs.\n"
       "ADDRESS names a control, for example /card/1/inputs/3/fader, /card/1/monitor/3-4/mode, "
       "/card/2/outputs/5/mute, /window/outputs/open; `morva-manager list` prints them all.\n"
       "VALUE is in the window's units: dB as the fader's scale reads (-7.5, -inf), on or off, a "
       "source (Line, Mic, CD) or a monitor mode (On, OnPunch, OnRec, Off).\n"
       "Exit status: 0 done, 1 refused or failed, 2 wrong usage, 3 MORVA Manager does not run.\n";
  return s;
}

}  // namespace remote
