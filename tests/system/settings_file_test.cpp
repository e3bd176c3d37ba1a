// The program with something other than a regular file in the settings
// file's place: a FIFO, or a link to an endless device. Opening the control
// window from the tray and closing it must neither block nor read without
// end; the show reports the file as unreadable, the save as unwritable, and
// the program still ends.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "common/headless_program.h"
#include "common/tempdir.h"
#include "shell/Mixctrl.h"
#include "shell/boxes.h"
#include "shell/tbmainf.h"

namespace {

namespace fs = std::filesystem;

// Runs the program: tray double click, close the control window, exit.
// Exit codes tell what went wrong; the alarm turns a hang into a failure.
void OpenCloseAndExit(const fs::path& dir) {
  ::alarm(10);
  testing_support::HeadlessProgram program(dir, 1);
  shell::WidgetsetBoxes boxes(program.ws);
  shell::ConnectMessageBoxes(program.app, program.platform, boxes);
  shell::AppState& state = program.state;
  bool shown = false;
  program.ws.Script([&] { shell::ShowControlWindow(state); });
  program.ws.Script([&] {
    shown = state.MixControlWnd->Visible();
    state.MixControlWnd->Close();
  });
  program.ws.Script([&] { state.frmMain->ExitClick(nullptr); });
  shell::ProgramMain(program.app, state);
  if (!shown) std::_Exit(10);
  const auto& seen = program.ws.boxes();
  if (seen.size() != 2 || seen[0].text != "Vozururo.ini kann nicht gelesen werden." ||
      seen[1].text != "nach Vozururo.ini kann nicht geschrieben werden.")
    std::_Exit(11);
  std::_Exit(0);
}

TEST(SettingsFileNotRegular, AFifoOrAnEndlessDeviceNeitherBlocksNorFloodsTheProgram) {
  const std::vector<std::function<void(const fs::path&)>> places = {
      [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
      [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
  };
  for (const auto& place : places) {
    const fs::path dir = platform::MakeTemporaryFolder("settings_special");
    place(dir / "Vozururo.ini");
    EXPECT_EXIT(OpenCloseAndExit(dir), ::testing::ExitedWithCode(0), "");
    EXPECT_FALSE(fs::is_regular_file(dir / "Vozururo.ini"));  // left as it was
    fs::remove_all(dir);
  }
}

}  // namespace
