#pragma once
// A combined preset of four cards saved the way the program saves it (the
// control window's command, every window, the closed ones as hidden
// copies) into a settings file that already holds many presets. Used by
// the killed-save trial and the settings benchmark.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

#include "common/headless_program.h"
#include "controls/Class_b.h"
#include "platform/windowing.h"
#include "platform/winuser.h"
#include "settings/mixset.h"
#include "shell/Mixctrl.h"
#include "shell/boxes.h"
#include "shell/tbmainf.h"
#include "ui/stdctrls.h"
#include "ui/useractions.h"

namespace testing_support {

// A settings file with many presets of every window, as a long-used
// installation has; combined: each preset also has its control window
// section, so that the control window lists it.
inline std::string ManyPresets(int presets, bool combined = false) {
  std::string out = "[Morva]\r\nchkStayOnTop=0\r\nTop=200\r\nLeft=400\r\n";
  const char* windows[] = {"Analog Inputs", "Analog Outputs", "Analog Input Monitors",
                           "Digital Input", "Digital Output"};
  for (int p = 0; p < presets; ++p) {
    if (combined) {
      out += "[Morva Preset " + std::to_string(p) + "]\r\nchkAnalogInputs=0\r\nchkStayOnTop=0\r\n";
    }
    for (const char* w : windows) {
      out += '[';
      out += w;
      out += " Preset ";
      out += std::to_string(p);
      out += "]\r\n";
      for (int k = 0; k < 40; ++k) {
        out += "Slider";
        out += std::to_string(k);
        out += '=';
        out += std::to_string((p * 37 + k * 11) % 32768);
        out += "\r\n";
      }
    }
  }
  return out;
}

// The program with four cards, its control window shown, the control
// window's preset command run; in_picker acts in the picker as the user,
// then the program exits through its exit command.
inline void RunPresetCommand(
    const std::filesystem::path& dir, WPARAM command,
    const std::function<void(settings::TfrmMixSettings&, ui::HeadlessWidgetset&)>& in_picker,
    const std::function<void()>& before_exit = [] {}) {
  HeadlessProgram program(dir, 4);
  ui::HeadlessWidgetset& ws = program.ws;
  ui::TApplication& app = program.app;
  shell::AppState& state = program.state;
  shell::WidgetsetBoxes boxes(ws);
  shell::ConnectMessageBoxes(app, program.platform, boxes);
  ws.Script([&] { shell::ShowControlWindow(state); });
  ws.Script([&] { PostMessageA(state.MixControlWnd->Handle(), WM_SYSCOMMAND, command, 0); });
  ws.Script([&] { in_picker(*dynamic_cast<settings::TfrmMixSettings*>(app.Forms().back()), ws); });
  ws.Script([&] {
    before_exit();
    state.frmMain->ExitClick(nullptr);
  });
  shell::ProgramMain(app, state);
}

// The program saves "Alle" through the control window's command, as a
// user does; before_ok runs just before the picker's OK starts the save,
// after_save once the save is done (before the program exits).
inline void SaveCombinedPreset(
    const std::filesystem::path& dir, const std::function<void()>& before_ok,
    const std::function<void()>& after_save = [] {}) {
  RunPresetCommand(
      dir, settings::kSavePresetCommand,
      [&](settings::TfrmMixSettings& picker, ui::HeadlessWidgetset&) {
        picker.edName->SetText("Alle");
        before_ok();
        ui::user::Click(picker.btnOk);
      },
      after_save);
}

// The program erases the combined preset `name` through the control
// window's picker, as a user does (remove, confirm, cancel the picker);
// before runs just before the remove button is clicked, after once the
// erase is done.
inline void EraseCombinedPreset(const std::filesystem::path& dir, const std::string& name,
                                const std::function<void()>& before,
                                const std::function<void()>& after) {
  RunPresetCommand(dir, settings::kLoadPresetCommand,
                   [&](settings::TfrmMixSettings& picker, ui::HeadlessWidgetset& ws) {
                     const auto& items = picker.lstNames->Items();
                     const auto at = std::find(items.begin(), items.end(), name);
                     if (at != items.end())
                       ui::user::Select(picker.lstNames, static_cast<int>(at - items.begin()));
                     ws.box_answers.push_back(IDYES);
                     before();
                     ui::user::Click(picker.btnErase);
                     after();
                     ui::user::Click(picker.btnCancel);
                   });
}

}  // namespace testing_support
