#pragma once
// A private JACK server on the dummy driver (no sound hardware), started
// for the tests and stopped with them; the clients of this process find it
// through JACK_DEFAULT_SERVER.
#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace testing_support {

class JackServer {
 public:
  // Takes the first of the names base-0 .. base-7 that no running server
  // holds. A server killed outright leaves its name in the machine's
  // registry of (at most eight) servers; only a server of the same name
  // reclaims the entry, so the tests keep to a few names of their own.
  explicit JackServer(const std::string& base) {
    spawned_ = Installed();
    // Up once a client can join it; until then libjack would complain.
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
    for (int slot = 0; spawned_ && slot < 8 && !up_; ++slot) {
      name_ = base + "-" + std::to_string(slot);
      if (Answers()) continue;  // another run's server
      Spawn();
      for (int i = 0; pid_ > 0 && i < 500 && !up_; ++i) {
        up_ = Answers();
        if (!up_ && ::waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;  // refused the name
        if (!up_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
  }
  ~JackServer() { Stop(); }
  JackServer(const JackServer&) = delete;
  JackServer& operator=(const JackServer&) = delete;

  bool spawned() const { return spawned_; }
  bool up() const { return up_; }
  const std::string& name() const { return name_; }
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    up_ = false;
  }
  // jackd on the PATH.
  static bool Installed() {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= dirs.size();) {
      const std::size_t end = std::min(dirs.find(':', start), dirs.size());
      if (::access((dirs.substr(start, end - start) + "/jackd").c_str(), X_OK) == 0) return true;
      start = end + 1;
    }
    return false;
  }
  static jack_options_t Options() {
    return static_cast<jack_options_t>(JackNoStartServer | JackServerName);
  }

 private:
  bool Answers() const {
    jack_status_t status{};
    jack_client_t* c = jack_client_open("morva-probe", Options(), &status, name_.c_str());
    if (c) jack_client_close(c);
    return c != nullptr;
  }
  void Spawn() {
    // A server of this name that was killed left its semaphores, which the
    // new one would take over with their old counts.
    const std::string stale = "jack_sem." + std::to_string(::getuid()) + "_" + name_ + "_";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ec))
      if (entry.path().filename().string().rfind(stale, 0) == 0) std::filesystem::remove(entry, ec);
    const std::string rate = "48000", period = "128";
    const char* argv[] = {"jackd", "-r",         "-n", name_.c_str(),  "-d",   "dummy",
                          "-r",    rate.c_str(), "-p", period.c_str(), nullptr};
    // The server goes with this process, also when a test aborts it.
    pid_ = ::fork();
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
      ::execvp("jackd", const_cast<char**>(argv));
      ::_exit(127);
    }
  }

  std::string name_;
  pid_t pid_ = -1;
  bool spawned_ = false;
  bool up_ = false;
};

}  // namespace testing_support
