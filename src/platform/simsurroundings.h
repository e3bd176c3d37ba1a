#pragma once
// The machine a run without the real one stands on: a virtual clock, the
// simulated cards and driver, the platform on them (installed as the current
// one), and folders of the run's own for the settings file, the driver's
// stored configuration and the settings journal. The headless runner, the
// test fixtures, the fuzz targets and the benchmarks make one; one at a time.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

#include "platform/platform.h"
#include "platform/simbackend.h"
#include "platform/tempfolder.h"
#include "sim/clock.h"
#include "sim/system.h"

namespace platform {

class SimSurroundings {
 public:
  // Where a run keeps its files; an empty path: a temporary folder of its
  // own, removed at the end.
  struct Folders {
    std::filesystem::path windows;  // the settings file, the driver's configuration
    std::filesystem::path journal;  // the settings store's journal
  };

  explicit SimSurroundings(int cards = 1, const Folders& folders = {});
  // Puts every process-wide override back (ResetProcessState).
  ~SimSurroundings();
  SimSurroundings(const SimSurroundings&) = delete;
  SimSurroundings& operator=(const SimSurroundings&) = delete;

  const std::filesystem::path& windows_folder() const { return windows_; }

  // Moves virtual time on by ms; after runs once each firing instant's
  // timers have fired (the caller handles what they posted).
  void Advance(std::int64_t ms, const std::function<void()>& after);

 private:
  std::optional<TemporaryFolder> own_windows_, own_journal_;
  std::filesystem::path windows_;

 public:
  sim::VirtualClock clock;
  sim::System system{clock};
  SimBackend backend{system};
  Platform platform{backend};

 private:
  ScopedPlatform scope_{platform};
};

}  // namespace platform
