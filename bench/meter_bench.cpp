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

#include "common/headless_program.h"

namespace {

// The metering windows open, their meters on.
class MeterRun {
 public:
  explicit MeterRun(int cards)
      : program_(std::filesystem::temp_directory_path() / "morva_meter_bench", cards) {
    program_.FindCards();
    // Every slot but the monitor window (index 1) meters.
    for (int s = 0; s < shell::kMixerSlots; ++s)
      if (s != 1) program_.OpenWindow(s);
    program_.app.ProcessMessages();
  }

  [[gnu::noinline]] void RunFor(std::int64_t ms) { program_.Advance(ms); }
  // The first second, in which each meter works out its scale once; kept
  // apart so that callgrind can count RunFor alone.
  void WarmUp() { program_.Advance(1000); }

 private:
  testing_support::HeadlessProgram program_;
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
