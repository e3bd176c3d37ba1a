#include "sim/configentry.h"

#include <algorithm>
#include <chrono>

#include "sim/wire.h"

namespace sim {
namespace {

bool ParseHex8(std::string_view text, std::uint32_t* value) {
  if (text.size() != 8) return false;
  std::uint32_t v = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else
      return false;
    v = (v << 4) | static_cast<std::uint32_t>(digit);
  }
  *value = v;
  return true;
}

std::uint32_t RecordSize(const std::string& command) {
  if (command == "getstates") return 20;
  if (command == "reconfigurable") return 4;
  if (command == "getconfig" || command == "setconfig") return 640;
  return 0;
}

}  // namespace

ConfigEntryPoint::~ConfigEntryPoint() {
  FinishLate();
  Wait();
}

std::optional<ConfigEntryPoint::Job> ConfigEntryPoint::Parse(std::string_view params) {
  static constexpr std::string_view kPrefix = "Morva.DRV,DriverConfig ";
  if (!params.starts_with(kPrefix)) return std::nullopt;
  params.remove_prefix(kPrefix.size());
  Job job;
  const std::size_t blank = params.find(' ');
  if (blank == std::string_view::npos || params.size() != blank + 20 || params[blank + 1] != '$' ||
      params[blank + 10] != ' ' || params[blank + 11] != '#' ||
      !ParseHex8(params.substr(blank + 2, 8), &job.data_vp) ||
      !ParseHex8(params.substr(blank + 12, 8), &job.done_vp)) {
    return std::nullopt;
  }
  job.command = std::string(params.substr(0, blank));
  return job;
}

void ConfigEntryPoint::Start(Job job) {
  ReapFinished();
  {
    std::lock_guard lock(workers_mu_);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    const bool late = job.late;
    std::thread thread([this, job = std::move(job), finished] {
      if (job.late) AwaitLateRelease();
      Run(job);
      finished->store(true, std::memory_order_release);
    });
    workers_.push_back(Worker{std::move(thread), finished, late});
  }
  if (clock_.IsVirtual()) Wait();
}

void ConfigEntryPoint::Wait() {
  std::vector<Worker> running;
  {
    std::lock_guard lock(workers_mu_);
    // A late entry point is waited for only once it may finish.
    auto waits = [this](const Worker& w) {
      std::lock_guard released(late_mu_);
      return !w.late || late_released_;
    };
    for (auto it = workers_.begin(); it != workers_.end();) {
      if (waits(*it)) {
        running.push_back(std::move(*it));
        it = workers_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (Worker& w : running) w.thread.join();
}

// One thread object per call would pile up over a long run; the finished
// ones are joined at the next start.
void ConfigEntryPoint::ReapFinished() {
  std::vector<Worker> finished;
  {
    std::lock_guard lock(workers_mu_);
    for (auto it = workers_.begin(); it != workers_.end();) {
      if (it->finished->load(std::memory_order_acquire)) {
        finished.push_back(std::move(*it));
        it = workers_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (Worker& w : finished) w.thread.join();
}

std::size_t ConfigEntryPoint::WorkerCount() {
  std::lock_guard lock(workers_mu_);
  return workers_.size();
}

void ConfigEntryPoint::FinishLate() {
  {
    std::lock_guard lock(late_mu_);
    late_released_ = true;
  }
  late_cv_.notify_all();
  Wait();
  std::lock_guard lock(late_mu_);
  late_released_ = false;
}

void ConfigEntryPoint::AwaitLateRelease() {
  std::unique_lock lock(late_mu_);
  if (clock_.IsVirtual()) {
    late_cv_.wait(lock, [this] { return late_released_; });
  } else {
    late_cv_.wait_for(lock, std::chrono::seconds(6), [this] { return late_released_; });
  }
}

// Runs on the worker: takes the data block, works on it, writes it back and
// only then sets the completion word.
void ConfigEntryPoint::Run(const Job& job) {
  const std::uint32_t size = RecordSize(job.command);
  if (size == 0) return;  // not a command the entry point knows
  std::vector<std::uint8_t> data(size);
  if (!arena_.Read(job.data_vp, data)) return;
  if (job.command == "getstates") {
    for (int i = 0; i < 5; ++i)
      wire::WriteLe32(&data[4 * i], static_cast<std::uint32_t>(job.states[i]));
  } else if (job.command == "reconfigurable") {
    wire::WriteLe32(data.data(), job.reconfigurable ? 1 : 0);
  } else if (job.command == "getconfig") {
    const ConfigBytes stored = config_.Load(job.dir);
    std::copy(stored.begin(), stored.end(), data.begin());
  } else {
    ConfigBytes record;
    std::copy(data.begin(), data.end(), record.begin());
    config_.Save(job.dir, record);
  }
  if (!arena_.Write(job.data_vp, data)) return;
  if (job.signal) arena_.StoreRelease(job.done_vp, 1);
}

}  // namespace sim
