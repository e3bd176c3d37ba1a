#pragma once
// The commands of `morva-manager COMMAND ...`: the words of the command
// line, carried out on the control surface of the running program.
#include <string>
#include <vector>

namespace remote {

class ControlSurface;
class MidiEndpoint;

// How a command ended, as the command line's exit status says it.
enum class Status { kOk = 0, kFailed = 1, kUsage = 2, kNotRunning = 3 };

struct CommandReply {
  Status status = Status::kOk;
  // What the command prints: values, lists; or why it failed.
  std::string text;
};

// Whether words are a command (its name first); empty, or what is wrong
// with them. Checked before the running program is asked.
std::string CommandUsageError(const std::vector<std::string>& words);
// The name of a command, so that `morva-manager NAME ...` is taken as one.
bool IsCommand(const std::string& word);
// midi: where the cards take MIDI (null: they do not).
CommandReply RunCommand(ControlSurface& surface, const std::vector<std::string>& words,
                        MidiEndpoint* midi = nullptr);

// What --help prints.
std::string CommandHelp();

}  // namespace remote
