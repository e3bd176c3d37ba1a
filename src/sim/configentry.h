#pragma once
// The driver's configuration entry point "DriverConfig" as "rundll.exe"
// starts it: each start runs on a worker thread of its own, takes the data
// block through its 16:16 pointer, answers the command into it and then sets
// the completion word. A hanging entry point does its work but never
// signals; a late one signals only once it is let go.
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sim/arena.h"
#include "sim/clock.h"
#include "sim/configstore.h"

namespace sim {

class ConfigEntryPoint {
 public:
  // One start: the command word and the two blocks of the parameters
  // string, and what the driver answers with.
  struct Job {
    std::string command;
    std::uint32_t data_vp = 0;
    std::uint32_t done_vp = 0;
    bool signal = true;
    bool late = false;
    bool reconfigurable = true;
    std::array<std::int32_t, 5> states{};
    std::filesystem::path dir;
  };

  ConfigEntryPoint(Clock& clock, Arena16& arena, ConfigStore& config)
      : clock_(clock), arena_(arena), config_(config) {}
  ~ConfigEntryPoint();
  ConfigEntryPoint(const ConfigEntryPoint&) = delete;
  ConfigEntryPoint& operator=(const ConfigEntryPoint&) = delete;

  // "Morva.DRV,DriverConfig <command> $<data 16:16> #<completion 16:16>"
  // read into a job; none when the entry point finds nothing to do in it.
  static std::optional<Job> Parse(std::string_view params);

  // Runs the job on a worker. Under a virtual clock it returns once the
  // entry point is done, so the caller's polling sees the same completion
  // word on every run and virtual time never depends on thread timing.
  void Start(Job job);
  // Waits until every started entry point has finished (late ones aside).
  void Wait();
  // Lets the late entry points finish now; they write their answers into
  // the blocks they were given, as late as that is.
  void FinishLate();
  // Worker threads of entry points still running or not yet joined.
  std::size_t WorkerCount();

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
    bool late = false;
  };

  void Run(const Job& job);
  void ReapFinished();
  void AwaitLateRelease();

  Clock& clock_;
  Arena16& arena_;
  ConfigStore& config_;
  std::mutex workers_mu_;
  std::vector<Worker> workers_;
  std::mutex late_mu_;
  std::condition_variable late_cv_;
  bool late_released_ = false;
};

}  // namespace sim
