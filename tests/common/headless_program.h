#pragma once
// The program's surroundings without a display: a virtual clock, the
// simulated cards, the platform on them, the headless widgetset and the
// application, with the stand-in Windows directory in dir. For the trials,
// fuzz targets and benchmarks that drive the real windows.
#include <cstdint>
#include <filesystem>

#include "driver/cardtable.h"
#include "mixer/mixerwindows.h"
#include "platform/platform.h"
#include "platform/simbackend.h"
#include "platform/windir.h"
#include "platform/windowing.h"
#include "shell/Mixctrl.h"
#include "shell/about.h"
#include "shell/appstate.h"
#include "shell/mixerwindow.h"
#include "shell/tbmainf.h"
#include "sim/clock.h"
#include "sim/system.h"
#include "ui/application.h"
#include "ui/headless.h"

namespace testing_support {

struct HeadlessProgram {
  HeadlessProgram(const std::filesystem::path& dir, int cards) {
    platform::SetWindowsDirectory(dir);
    system.SetConfigDir(dir);
    system.SetCards(cards);
  }
  ~HeadlessProgram() { platform::SetWindowsDirectory({}); }
  HeadlessProgram(const HeadlessProgram&) = delete;
  HeadlessProgram& operator=(const HeadlessProgram&) = delete;

  // Finds the cards and makes the mixer windows available, as the control
  // window's creation does.
  void FindCards() {
    driver::DiscoverCards(state.Cards);
    mixer::RegisterMixerWindows(state);
  }
  // The application's windows and the tray record as start-up makes them,
  // without its main loop (for code that never waits for input).
  void MakeWindows() {
    mixer::RegisterMixerWindows(state);
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
    platform.timers().AdvanceTo(clock.NowMs() + ms, [this] { app.ProcessMessages(); });
  }

  sim::VirtualClock clock;
  sim::System system{clock};
  platform::SimBackend backend{system};
  platform::Platform platform{backend};
  platform::ScopedPlatform scope{platform};
  ui::HeadlessWidgetset ws;
  ui::TApplication app{ws};
  shell::AppState state;
};

}  // namespace testing_support
