#pragma once
// The whole program on the headless widgetset, at its main loop: body runs
// when the program first waits for input, with the control surface and a
// record of every driver message at hand; then the program exits as
// "Beenden" does.
#include <functional>
#include <string>
#include <vector>

#include "common/headless_program.h"
#include "common/tempdir.h"
#include "platform/sim_fixture.h"
#include "remote/surface.h"
#include "shell/boxes.h"
#include "shell/tbmainf.h"

namespace testing_support {

struct ProgramAtHand {
  HeadlessProgram& program;
  remote::ControlSurface& surface;
  LineObserver& seen;

  // The driver messages since the last call.
  std::vector<std::string> Sent() {
    std::vector<std::string> out = seen.With("msg ");
    seen.lines.clear();
    return out;
  }
  // Moves virtual time on, the surface's ticks following.
  void Advance(std::int64_t ms) {
    program.Advance(ms);
    surface.Tick();
  }
};

inline void WithProgram(int cards, const std::function<void(ProgramAtHand&)>& body,
                        const std::string& ini = "") {
  const std::filesystem::path dir = platform::MakeTemporaryFolder("remote");
  if (!ini.empty()) Put(dir / "Vozururo.ini", ini);
  {
    HeadlessProgram program(dir, cards);
    LineObserver seen;
    program.platform.set_observer(&seen);
    shell::WidgetsetBoxes boxes(program.ws);
    shell::ConnectMessageBoxes(program.app, program.platform, boxes);
    remote::ControlSurface surface(program.state, program.clock);
    ProgramAtHand at_hand{program, surface, seen};
    // The body's own scripted actions come before the exit.
    program.ws.Script([&] {
      seen.lines.clear();
      body(at_hand);
      program.ws.Script([&] { program.state.frmMain->ExitClick(nullptr); });
    });
    shell::ProgramMain(program.app, program.state);
    program.platform.set_observer(nullptr);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace testing_support
