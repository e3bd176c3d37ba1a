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
#include "scenario/surroundings.h"
#include "shell/mixerwindow.h"
#include "ui/application.h"

namespace testing_support {

struct HeadlessProgram : scenario::Surroundings {
  // The settings journal stays where the caller put it.
  HeadlessProgram(const std::filesystem::path& dir, int cards)
      : Surroundings(cards, {dir, platform::JournalDirectory()}) {}

  // Finds the cards, as the control window's creation does.
  void FindCards() { driver::DiscoverCards(state.Cards); }
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
