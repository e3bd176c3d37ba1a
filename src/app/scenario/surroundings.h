#pragma once
// The whole program's surroundings without a display: the simulated machine
// (platform::SimSurroundings), the headless widgetset and the
// application-wide state, the mixer windows' factories registered in it as
// the program's entry registers them. The runner makes one; so do the tests,
// fuzz targets and benchmarks that drive the real windows.
#include "platform/simsurroundings.h"
#include "shell/appstate.h"
#include "ui/headless.h"

namespace scenario {

struct Surroundings : platform::SimSurroundings {
  explicit Surroundings(int cards = 1, const Folders& folders = {});

  ui::HeadlessWidgetset ws;
  shell::AppState state;
};

}  // namespace scenario
