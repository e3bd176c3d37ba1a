#pragma once
// morva-scenario: runs the whole program from its real entry on the
// headless widgetset, the simulated card and a virtual clock, and takes the
// user's part from a script. See docs/SCENARIO.md.
#include <deque>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "remote/surface.h"
#include "scenario/script.h"
#include "scenario/surroundings.h"
#include "scenario/trace.h"
#include "shell/boxes.h"

namespace scenario {

class Runner {
 public:
  Runner(std::istream& in, std::ostream& out);
  ~Runner();
  // Runs the whole script; returns the exit status (0, or 2 after an error).
  int Run();

  // The words of a command after its name.
  using Args = std::span<const std::string>;
  // When a command may be given.
  enum class When {
    kAnyTime,      // before, during and after the program
    kBeforeStart,  // the simulated system as the program will find it
    kRunning,      // the user's and the system's actions while the program runs
  };
  // One command of the script. A name of two words ("sim cards") is a
  // command of a family ("sim"); the name is matched first with two words,
  // then with one.
  struct Command {
    std::string_view name;
    std::size_t least, most;  // how many words may follow the name
    std::string_view usage;   // the error when they do not fit
    When when;
    void (Runner::*run)(Args args);
  };
  static constexpr std::size_t kAny = 64;

 private:
  static const Command kCommands[];
  static const Command* FindCommand(std::string_view name);
  // True when some command's name is name followed by a second word.
  static bool IsFamily(const std::string& name);

  enum class Phase { Before, Running, Ended };

  std::optional<std::string> NextLine();
  void Execute(const std::string& line);
  void ExecuteTokens(const std::vector<std::string>& t);
  void EndOfScript();
  int AnswerBox(const ui::HeadlessWidgetset::Box& box);

  // The commands, in the table's order (runner.cpp). Before start:
  void Ini(Args a);
  void SimCards(Args a);
  void SimStates(Args a);
  void SimDevice(Args a);
  void SimOrder(Args a);
  // Any time:
  void Start(Args a);
  void Echo(Args a);
  void Reply(Args a);
  void SimReconfigurable(Args a);
  void SimBridge(Args a);
  void SimDisk(Args a);
  void SimConfig(Args a);
  void SimSet(Args a);
  void SimLevel(Args a);
  void DumpIni(Args a);
  void DumpCard(Args a);
  void DumpConfig(Args a);
  void DumpForm(Args a);
  // While the program runs:
  void Click(Args a);
  void DblClick(Args a);
  void Select(Args a);
  void Set(Args a);
  void Drag(Args a);
  void Key(Args a);
  void SysMenu(Args a);
  void Close(Args a);
  void Post(Args a);
  void DeviceChangeCommand(Args a);
  void RemoveCard(Args a);
  void Activate(Args a);
  void Deactivate(Args a);
  void TrayMenu(Args a);
  void Tray(Args a);
  void Advance(Args a);
  void Quit(Args a);
  // Control from outside: a command of the command line, a subscription.
  void Remote(Args a);
  void Subscribe(Args a);
  remote::ControlSurface& Surface();

  void DeviceChange(WPARAM w, DWORD type, DWORD devnode);
  ui::TForm& FindForm(const std::string& name);
  ui::TComponent& FindComponent(const std::string& address);
  ui::TControl& FindControl(const std::string& address);
  int CardIndex(const std::string& text);
  void NeedRunning(const std::string& what);
  [[noreturn]] void Fail(const std::string& why);

  std::istream& in_;
  std::ostream& out_;
  Trace trace_;
  Surroundings world_;
  shell::WidgetsetBoxes boxes_;
  std::unique_ptr<ui::TApplication> app_;
  // Made at the first remote command.
  std::unique_ptr<remote::ControlSurface> remote_;
  Phase phase_ = Phase::Before;
  int line_no_ = 0;
  int current_line_ = 0;
  std::deque<std::pair<int, std::string>> pending_;
  bool eof_ = false;
};

}  // namespace scenario
