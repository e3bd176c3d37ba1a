// Killed saves: a child process saves a combined preset of four cards into
// a settings file that already holds many presets and is killed at a random
// moment of it. Every time, the file must be complete: byte for byte one of
// the states the save passes through (the old file, each finished step, the
// new file).
//   morva-killed-saves TRIALS SEED [PRESETS]
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "common/combined_save.h"
#include "platform/profile_file.h"

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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: morva-killed-saves TRIALS SEED [PRESETS]\n");
    return 2;
  }
  const int trials = std::atoi(argv[1]);
  const unsigned seed = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
  const int presets = argc > 3 ? std::atoi(argv[3]) : 100;
  const fs::path dir = fs::temp_directory_path() / ("morva_killed_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path ini = dir / "Vozururo.ini";
  const std::string old_content = testing_support::ManyPresets(presets);

  // One save without a kill, in this process, tells every state the file
  // passes through, and how long the save takes.
  std::set<std::string> states{old_content};
  Write(ini, old_content);
  platform::SetReplaceListener([&](const fs::path& p, std::string_view content) {
    if (p.filename() == "Vozururo.ini") states.emplace(content);
  });
  const auto t0 = std::chrono::steady_clock::now();
  testing_support::SaveCombinedPreset(dir, [] {});
  const auto save_us =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0)
          .count();
  platform::SetReplaceListener({});
  const std::string new_content = Read(ini);
  if (new_content == old_content || !states.count(new_content)) {
    std::fprintf(stderr, "the reference save changed nothing\n");
    return 1;
  }

  std::mt19937 rng(seed);
  std::uniform_int_distribution<long> delay(0, std::max<long>(1, save_us * 12 / 10));
  int killed_early = 0, finished = 0, failures = 0;
  for (int trial = 0; trial < trials; ++trial) {
    for (const auto& e : fs::directory_iterator(dir)) fs::remove_all(e.path());
    Write(ini, old_content);
    int fds[2];
    if (::pipe(fds) != 0) return 1;
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(fds[0]);
      testing_support::SaveCombinedPreset(dir, [fd = fds[1]] {
        if (::write(fd, "s", 1) != 1) std::_Exit(3);
      });
      std::_Exit(0);
    }
    ::close(fds[1]);
    char c;
    if (::read(fds[0], &c, 1) != 1) {
      std::fprintf(stderr, "trial %d: the child never started its save\n", trial);
      return 1;
    }
    ::close(fds[0]);
    ::usleep(static_cast<useconds_t>(delay(rng)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    (WIFSIGNALED(status) ? killed_early : finished)++;
    const std::string now = Read(ini);
    if (!states.count(now)) {
      ++failures;
      std::fprintf(stderr, "trial %d: the file is no state of the save (%zu bytes)\n", trial,
                   now.size());
    }
  }
  fs::remove_all(dir);
  std::printf("%d trials (seed %u, %d presets, %zu file states, save %ld us): %d killed, "
              "%d finished first, %d damaged files\n",
              trials, seed, presets, states.size(), static_cast<long>(save_us), killed_early,
              finished, failures);
  std::printf("%d passed, %d failed\n", trials - failures, failures);
  return failures == 0 ? 0 : 1;
}
