#pragma once
// morva-scenario: runs the whole program from its real entry on the
// headless widgetset, the simulated card and a virtual clock, and takes the
// user's part from a script. See docs/SCENARIO.md.
#include <deque>
#include <filesystem>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/simbackend.h"
#include "remote/surface.h"
#include "scenario/trace.h"
#include "shell/appstate.h"
#include "shell/boxes.h"
#include "sim/clock.h"
#include "sim/system.h"
#include "ui/headless.h"

namespace scenario {

// A line that cannot be carried out. Not a std::exception, so that no
// handler of the application catches it on its way out.
struct ScriptError {
  std::string why;
};

std::vector<std::string> Tokenize(const std::string& line);
// A number of the script: decimal, or 0x hexadecimal read as an unsigned
// 32-bit word; raises ScriptError for anything else.
std::int64_t Number(const std::string& s);

class Runner {
 public:
  Runner(std::istream& in, std::ostream& out);
  ~Runner();
  // Runs the whole script; returns the exit status (0, or 2 after an error).
  int Run();

 private:
  enum class Phase { Before, Running, Ended };

  std::optional<std::string> NextLine();
  void Execute(const std::string& line);
  void ExecuteTokens(const std::vector<std::string>& t);
  void Start();
  void EndOfScript();
  void Sim(const std::vector<std::string>& t);
  void Dump(const std::vector<std::string>& t);
  void DumpForm(ui::TForm& f);
  void UserAction(const std::vector<std::string>& t);
  void Advance(std::int64_t ms);
  void DeviceChange(WPARAM w, DWORD type, DWORD devnode);
  // Control from outside: a command of the command line, a subscription.
  void Remote(const std::vector<std::string>& t);
  remote::ControlSurface& Surface();
  int AnswerBox(const ui::HeadlessWidgetset::Box& box);

  ui::TForm& FindForm(const std::string& name);
  ui::TComponent& FindComponent(const std::string& address);
  void NeedRunning(const std::string& cmd);
  [[noreturn]] void Fail(const std::string& why);

  std::istream& in_;
  std::ostream& out_;
  Trace trace_;
  std::filesystem::path windir_;
  // The user's state folder (the settings journal), temporary as windir_.
  std::filesystem::path statedir_;
  sim::VirtualClock clock_;
  sim::System system_;
  platform::SimBackend backend_;
  platform::Platform platform_;
  std::unique_ptr<platform::ScopedPlatform> scope_;
  ui::HeadlessWidgetset ws_;
  shell::WidgetsetBoxes boxes_;
  std::unique_ptr<ui::TApplication> app_;
  shell::AppState state_;
  // Made at the first remote command.
  std::unique_ptr<remote::ControlSurface> remote_;
  Phase phase_ = Phase::Before;
  int line_no_ = 0;
  int current_line_ = 0;
  std::deque<std::pair<int, std::string>> pending_;
  bool eof_ = false;
};

}  // namespace scenario
