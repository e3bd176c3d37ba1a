#pragma once
// A simulated system with cards, the application and a card table, for the
// tests of the mixer windows. Windows are made without a control window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "driver/cardtable.h"
#include "platform/sim_fixture.h"
#include "shell/appstate.h"
#include "ui/application.h"
#include "ui/headless.h"

namespace testing_support {

// A fader's tool tip as a number: "-7.5 dB", or minus infinity for "-∞ dB".
inline double ToolTipDb(const std::string& text) {
  if (text.rfind("-\xE2\x88\x9E", 0) == 0) return -INFINITY;
  return std::strtod(text.c_str(), nullptr);
}

class MixerWindowTest : public SimPlatformTest {
 protected:
  void Discover(int cards) {
    system.SetCards(cards);
    driver::DiscoverCards(state.Cards);
    observer.lines.clear();
  }
  template <typename F>
  F* Open(int cards = 1) {
    Discover(cards);
    F* f = ui::CreateForm<F>(&app, state);
    f->CallFormShow();
    app.ProcessMessages();
    observer.lines.clear();
    return f;
  }
  // The driver messages sent since the last call, as "h<handle> 0x<msg> 0x<param>".
  std::vector<std::string> Sent() {
    std::vector<std::string> out;
    for (const auto& l : observer.With("msg in ")) out.push_back(l.substr(7));
    observer.lines.clear();
    return out;
  }
  static std::string Msg(std::uintptr_t handle, unsigned msg, std::uint32_t param) {
    char text[48];
    std::snprintf(text, sizeof text, "h%zu 0x%04X 0x%08X", static_cast<std::size_t>(handle), msg,
                  param);
    return text;
  }
  std::uint32_t Pair(int card, int pair, sim::PairField f) {
    return system.GetPairField(card, pair, f);
  }
  void WriteIni(const std::string& text) {
    std::filesystem::create_directories(config_dir);
    std::ofstream(config_dir / "Vozururo.ini", std::ios::binary) << text;
  }

  ui::HeadlessWidgetset ws;
  ui::TApplication app{ws};
  shell::AppState state;
};

}  // namespace testing_support
