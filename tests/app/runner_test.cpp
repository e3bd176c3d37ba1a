// The runner's commands: where a line is looked up (a family's two-word
// name before a one-word one), when it may be given and with how many
// words; a line that does not fit ends the run with the reason.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/windir.h"
#include "scenario/runner.h"

namespace {

struct Outcome {
  std::string out;
  int status;
};

Outcome RunScript(const std::string& script) {
  std::istringstream in(script);
  std::ostringstream out;
  const int status = scenario::Runner(in, out).Run();
  return {out.str(), status};
}

// The trace's error line (the windows left are freed after it).
std::string ErrorLine(const std::string& trace) {
  const std::size_t start = trace.find("error: ");
  if (start == std::string::npos) return {};
  return trace.substr(start, trace.find('\n', start) - start);
}

TEST(Runner, RefusesALineThatDoesNotFitWithItsReason) {
  const struct {
    const char* script;
    const char* error;
  } cases[] = {
      {"frobnicate\n", "error: line 1: unknown command frobnicate"},
      {"sim\n", "error: line 1: sim what?"},
      {"sim frobnicate 1\n", "error: line 1: unknown sim command"},
      {"sim cards 1 2\n", "error: line 1: sim cards N"},
      {"sim cards 9\n", "error: line 1: cards 0 to 8"},
      {"click frmMain.x\n", "error: line 1: click before start"},
      {"# comment\n\ndump frmMain\n", "error: line 3: dump frmMain before start"},
      {"start\nsim cards 2\n", "error: line 2: sim cards only before start"},
      {"start\nini \"[x]\"\n", "error: line 2: ini only before start"},
      {"start\nstart\n", "error: line 2: start twice"},
      {"start\nquit\nquit\n", "error: line 3: quit after the program ended"},
      {"start\ntray menu 1 2\n", "error: line 2: tray dblclick|MSG|menu ITEM"},
      {"start\nclick MixControlWnd\n", "error: line 2: FORM.CONTROL expected: MixControlWnd"},
      {"start\nadvance -1\n", "error: line 2: advance by a negative time"},
      {"reply ok\n", "error: line 1: no message box is shown"},
  };
  for (const auto& c : cases) {
    const Outcome r = RunScript(c.script);
    EXPECT_EQ(ErrorLine(r.out), c.error) << c.script;
    EXPECT_EQ(r.status, 2) << c.script;
  }
}

TEST(Runner, TakesEachFamilysCommandsAtTheirTimes) {
  // Before start and while the program runs; a two-word name wins over the
  // one-word "dump FORM".
  const Outcome r = RunScript(
      "sim cards 0\nsim config 0 1 7\necho before\nstart\ndump config\ndump ini\necho \"a  b\" "
      "c\n");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("before\n"), std::string::npos);
  EXPECT_NE(r.out.find("\nblock 0 0 7 "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("--- ini\n--- end\na  b c\n"), std::string::npos) << r.out;
}

TEST(Runner, LeavesNoFolderOrOverrideBehind) {
  const std::filesystem::path user_folder = platform::WindowsDirectory();
  std::filesystem::path used;
  {
    std::istringstream in("sim disk readonly\n");
    std::ostringstream out;
    scenario::Runner runner(in, out);
    used = platform::WindowsDirectory();
    EXPECT_NE(used, user_folder);
    EXPECT_EQ(runner.Run(), 0);
    EXPECT_EQ(platform::DiskFaultFor(used / "Vozururo.ini"), platform::DiskFault::kReadOnly);
  }
  EXPECT_FALSE(std::filesystem::exists(used));
  EXPECT_EQ(platform::WindowsDirectory(), user_folder);
  EXPECT_EQ(platform::DiskFaultFor(user_folder / "Vozururo.ini"), platform::DiskFault::kNone);
}

}  // namespace
