// The meter pipeline without a display: four cards, the four metering
// windows open, the 40 ms ticks and 100 ms polls running on virtual time.
// Reports the CPU time one second of virtual time costs the program.
//   morva-meter-bench                 Google Benchmark
//   morva-meter-bench --fixed [SECS]  one run of SECS virtual seconds after
//                                     a warm-up second (for callgrind:
//                                     --toggle-collect='*MeterRun::RunFor*')
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "driver/cardtable.h"
#include "mixer/mixerwindows.h"
#include "platform/platform.h"
#include "platform/simbackend.h"
#include "platform/windir.h"
#include "shell/appstate.h"
#include "shell/mixerwindow.h"
#include "sim/clock.h"
#include "sim/system.h"
#include "ui/application.h"
#include "ui/headless.h"

namespace {

// Everything a run needs, the metering windows open and their meters on.
class MeterRun {
 public:
  explicit MeterRun(int cards) {
    dir_ = std::filesystem::temp_directory_path() / "morva_meter_bench";
    std::filesystem::create_directories(dir_);
    platform::SetWindowsDirectory(dir_);
    system_.SetConfigDir(dir_);
    system_.SetCards(cards);
    driver::DiscoverCards(state_.Cards);
    mixer::RegisterMixerWindows(state_);
    // Every slot but the monitor window (index 1) meters.
    for (int s = 0; s < shell::kMixerSlots; ++s) {
      if (s == 1) continue;
      shell::TMixerWindow* w = state_.MixerFactories[s](&app_, state_);
      w->Show();
    }
    app_.ProcessMessages();
  }
  ~MeterRun() { platform::SetWindowsDirectory({}); }

  [[gnu::noinline]] void RunFor(std::int64_t ms) { Advance(ms); }
  // The first second, in which each meter works out its scale once; kept
  // apart so that callgrind can count RunFor alone.
  void WarmUp() { Advance(1000); }

 private:
  void Advance(std::int64_t ms) {
    platform_.timers().AdvanceTo(clock_.NowMs() + ms, [this] { app_.ProcessMessages(); });
  }

 public:

 private:
  std::filesystem::path dir_;
  sim::VirtualClock clock_;
  sim::System system_{clock_};
  platform::SimBackend backend_{system_};
  platform::Platform platform_{backend_};
  platform::ScopedPlatform scope_{platform_};
  ui::HeadlessWidgetset ws_;
  ui::TApplication app_{ws_};
  shell::AppState state_;
};

void BM_MeterSecond(benchmark::State& st) {
  MeterRun run(static_cast<int>(st.range(0)));
  run.WarmUp();
  for (auto _ : st) run.RunFor(1000);
  st.SetLabel("per virtual second");
}
BENCHMARK(BM_MeterSecond)->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--fixed") == 0) {
    MeterRun run(4);
    run.WarmUp();
    run.RunFor(1000 * (argc >= 3 ? std::atoi(argv[2]) : 60));
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
