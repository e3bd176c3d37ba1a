// Killed saves: a child process saves a combined preset of four cards into
// a settings file that already holds many presets (or erases a combined
// preset from it) and is killed with SIGKILL at a random moment of that
// save. Every time, once the file is opened again (which completes an
// interrupted in-place rewrite), it must be complete: byte for byte one of
// the states the operation passes through (the old file, each finished
// step, the new file); and no temporary file or journal may be left. Each
// kill stands for a power loss: the temporary and runtime folders are
// emptied before the file is opened again, as a reboot empties them.
//   morva-killed-saves TRIALS SEED [PRESETS] [save|erase] [replace|inplace]
// replace: the folder takes new files (temporary file, renamed over);
// inplace: the folder refuses new files and the file is rewritten in place.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/combined_save.h"
#include "platform/profile_file.h"
#include "platform/windir.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void Write(const fs::path& p, const std::string& content) {
  std::ofstream(p, std::ios::binary) << content;
}

void Clear(const fs::path& dir) {
  if (!fs::exists(dir)) return;
  for (const auto& e : fs::directory_iterator(dir)) fs::remove_all(e.path());
}

// The names in dir that begin with prefix.
std::vector<std::string> Leftovers(const fs::path& dir, const std::string& prefix) {
  std::vector<std::string> out;
  if (!fs::exists(dir)) return out;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.rfind(prefix, 0) == 0) out.push_back(name);
  }
  return out;
}

struct Options {
  int trials = 0;
  unsigned seed = 0;
  int presets = 100;
  bool erase = false;
  bool in_place = false;
};

// The operation under trial, in this process; before runs as it starts,
// after once it is done.
void Operate(const Options& o, const fs::path& windir, const std::function<void()>& before,
             const std::function<void()>& after) {
  if (o.in_place) platform::SetWindowsDirectoryFault(platform::DiskFault::kNoNewFiles);
  if (o.erase) {
    testing_support::EraseCombinedPreset(windir, "Preset " + std::to_string(o.presets / 2), before,
                                         after);
  } else {
    testing_support::SaveCombinedPreset(windir, before, after);
  }
  platform::SetWindowsDirectoryFault(platform::DiskFault::kNone);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(
        stderr, "usage: morva-killed-saves TRIALS SEED [PRESETS] [save|erase] [replace|inplace]\n");
    return 2;
  }
  Options o;
  o.trials = std::atoi(argv[1]);
  o.seed = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
  if (argc > 3) o.presets = std::atoi(argv[3]);
  if (argc > 4) o.erase = std::strcmp(argv[4], "erase") == 0;
  if (argc > 5) o.in_place = std::strcmp(argv[5], "inplace") == 0;

  const fs::path base = fs::temp_directory_path() / ("morva_killed_" + std::to_string(::getpid()));
  const fs::path windir = base / "windows";
  // The journal where the program keeps it, the user's state folder; the
  // folders a reboot empties beside it.
  const fs::path journals = base / "state" / "morva";
  const fs::path volatile_folders[] = {base / "tmp", base / "run"};
  fs::remove_all(base);
  fs::create_directories(windir);
  ::setenv("XDG_STATE_HOME", (base / "state").c_str(), 1);
  ::setenv("TMPDIR", volatile_folders[0].c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", volatile_folders[1].c_str(), 1);
  platform::SetJournalDirectory({});
  const fs::path ini = windir / "Vozururo.ini";
  const std::string old_content = testing_support::ManyPresets(o.presets, o.erase);

  // Runs without a kill, in this process, tell every state the file passes
  // through, and how long the operation itself takes (the median of five:
  // the first run is slower, with nothing cached yet).
  std::set<std::string> states{old_content};
  std::vector<long> durations;
  for (int run = 0; run < 5; ++run) {
    Clear(windir);
    Write(ini, old_content);
    // Set for each run: the program's surroundings put it back as they go.
    platform::SetReplaceListener([&](const fs::path& p, std::string_view content) {
      if (p.filename() == "Vozururo.ini") states.emplace(content);
    });
    std::chrono::steady_clock::time_point t0, t1;
    Operate(
        o, windir, [&] { t0 = std::chrono::steady_clock::now(); },
        [&] { t1 = std::chrono::steady_clock::now(); });
    durations.push_back(
        std::max<long>(1, std::chrono::duration_cast<std::chrono::microseconds>(t1 - t0).count()));
  }
  std::sort(durations.begin(), durations.end());
  const long save_us = durations[durations.size() / 2];
  platform::SetReplaceListener({});
  const std::string new_content = Read(ini);
  if (new_content == old_content || !states.count(new_content)) {
    std::fprintf(stderr, "the reference run changed nothing\n");
    return 1;
  }

  std::mt19937 rng(o.seed);
  // The kill falls within the operation: from its start to its measured end.
  std::uniform_int_distribution<long> delay(0, save_us);
  int during = 0, after_it = 0, torn_before_open = 0, failures = 0;
  for (int trial = 0; trial < o.trials; ++trial) {
    Clear(windir);
    Clear(journals);
    Write(ini, old_content);
    int fds[2];
    if (::pipe(fds) != 0) return 1;
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(fds[0]);
      auto say = [fd = fds[1]](const char* what) {
        if (::write(fd, what, 1) != 1) std::_Exit(3);
      };
      Operate(
          o, windir, [&] { say("s"); }, [&] { say("e"); });
      std::_Exit(0);
    }
    ::close(fds[1]);
    char c;
    if (::read(fds[0], &c, 1) != 1) {
      std::fprintf(stderr, "trial %d: the child never started its save\n", trial);
      return 1;
    }
    ::usleep(static_cast<useconds_t>(delay(rng)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    // Was the operation over when the kill came?
    const bool finished = ::read(fds[0], &c, 1) == 1;
    ::close(fds[0]);
    (finished ? after_it : during)++;
    if (!states.count(Read(ini))) ++torn_before_open;
    for (const fs::path& gone : volatile_folders) fs::remove_all(gone);
    {
      // The next open completes whatever the kill interrupted.
      const platform::ProfileFile reopened(ini);
    }
    const std::string now = Read(ini);
    if (!states.count(now)) {
      ++failures;
      std::fprintf(stderr, "trial %d: the file is no state of the save (%zu bytes)\n", trial,
                   now.size());
    }
    // The store's temporary files, and any journal or journal temporary.
    std::vector<std::string> left = Leftovers(windir, ".Vozururo.ini.");
    for (const std::string& j : Leftovers(journals, "")) left.push_back("journal/" + j);
    if (!left.empty()) {
      ++failures;
      std::fprintf(stderr, "trial %d: left behind: %s\n", trial, left.front().c_str());
    }
  }
  fs::remove_all(base);
  std::printf(
      "%d trials (%s, %s, seed %u, %d presets, %zu bytes, %zu file states, operation "
      "%ld us): %d killed during it, %d after it, %d torn until reopened, %d damaged "
      "files or leftovers\n",
      o.trials, o.erase ? "erase" : "save", o.in_place ? "in place" : "replace", o.seed, o.presets,
      old_content.size(), states.size(), save_us, during, after_it, torn_before_open, failures);
  std::printf("%d passed, %d failed\n", o.trials - failures, failures);
  return failures == 0 ? 0 : 1;
}
