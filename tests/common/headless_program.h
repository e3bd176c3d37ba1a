#pragma once
// The program's surroundings without a display (scenario::Surroundings:
// virtual clock, simulated cards, platform, headless widgetset, the
// application-wide state) with the application on them and the Windows
// directory in dir. For the trials, fuzz targets and benchmarks that drive
// the real windows.
#include <cstdint>
#include <filesystem>

#include "driver/cardtable.h"
#include "platform/windir.h"
#include "platform/windowing.h"
#include "scenario/surroundings.h"
#include "shell/Mixctrl.h"
#include "shell/about.h"
#include "shell/mixerwindow.h"
#include "shell/tbmainf.h"
#include "ui/application.h"

namespace testing_support {

struct HeadlessProgram : scenario::Surroundings {
  // The settings journal stays where the caller put it; an empty dir: a
  // temporary folder of the program's own.
  HeadlessProgram(const std::filesystem::path& dir, int cards)
      : Surroundings(cards, {dir, platform::JournalDirectory()}) {}

  // Finds the cards, as the control window's creation does.
  void FindCards() { driver::DiscoverCards(state.Cards); }
  // The application's windows and the tray record as start-up makes them,
  // without its main loop (for code that never waits for input).
  void MakeWindows() {
    state.DriverConfigEnabled = 1;
    state.MixerIconHandle = LoadIconA(nullptr, "MIXERICON");
    state.frmMain = ui::CreateForm<shell::TfrmMain>(&app, state);
    state.MixControlWnd = ui::CreateForm<shell::TMixControlWnd>(&app, state);
    state.AboutBox = ui::CreateForm<shell::TAboutBox>(&app);
    state.TrayIconData.hWnd = state.MixControlWnd->Handle();
    state.TrayIconData.uCallbackMessage = shell::WM_TRAY_CALLBACK;
  }
  // Makes and shows the mixer window of a slot; an error is reported as the
  // message loop reports it.
  void OpenWindow(int slot) {
    app.Guard([&] {
      shell::TMixerWindow* w = state.MixerFactories[slot](&app, state);
      if (w->IsCreated()) w->Show();
    });
  }
  // Moves virtual time on by ms; the messages are handled after each firing.
  void Advance(std::int64_t ms) {
    SimSurroundings::Advance(ms, [this] { app.ProcessMessages(); });
  }

  ui::TApplication app{ws};
};

}  // namespace testing_support
