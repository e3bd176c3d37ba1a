#pragma once
// Private audio servers for the tests, started and stopped with them: JACK's
// own server on the dummy driver, or PipeWire with WirePlumber on a private
// runtime folder and session bus (the test program then runs with
// PipeWire's JACK library, through pw-jack). Use() sends this process's
// JACK clients to one; Kill() ends it as a crash would, Start() brings it
// back. Names and folders are the tests' own, so runs side by side never
// meet.
#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testing_support {

enum class ServerKind { Jackd, PipeWire };

// Chosen once by the test program's main.
inline ServerKind g_server_kind = ServerKind::Jackd;

inline bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  const std::string dirs = path ? path : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= dirs.size();) {
    const std::size_t end = std::min(dirs.find(':', start), dirs.size());
    if (::access((dirs.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// A child that dies with this process, also when a test aborts it; env are
// NAME=VALUE settings of its own.
inline pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env = {}) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  return pid;
}

inline void End(pid_t& pid, int sig) {
  if (pid <= 0) return;
  ::kill(pid, sig);
  ::waitpid(pid, nullptr, 0);
  pid = -1;
}

// Whether a client of this process can join the server it is sent to.
inline bool Answers() {
  jack_set_error_function([](const char*) {});
  jack_set_info_function([](const char*) {});
  jack_status_t status{};
  jack_client_t* c = jack_client_open("morva-probe", JackNoStartServer, &status);
  if (c) jack_client_close(c);
  return c != nullptr;
}

// Changes the variable only when its value is another: a thread that
// probes a server it is already sent to leaves the environment alone while
// the others read it.
inline void SetEnv(const char* name, const std::string& value) {
  const char* now = std::getenv(name);
  if (!now || value != now) ::setenv(name, value.c_str(), 1);
}

// The variables that send this process's clients to a server, put back as
// they were when it goes.
class EnvSaved {
 public:
  EnvSaved() {
    for (const char* name : {"JACK_DEFAULT_SERVER", "XDG_RUNTIME_DIR", "PIPEWIRE_RUNTIME_DIR"}) {
      const char* v = std::getenv(name);
      saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
    }
  }
  ~EnvSaved() {
    for (const auto& [name, value] : saved_) {
      if (value)
        SetEnv(name, *value);
      else if (std::getenv(name))
        ::unsetenv(name);
    }
  }
  EnvSaved(const EnvSaved&) = delete;
  EnvSaved& operator=(const EnvSaved&) = delete;

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

class AudioServer {
 public:
  virtual ~AudioServer() = default;
  // For one of each kind of test: the server the main program chose.
  static std::unique_ptr<AudioServer> Make(const std::string& base);

  virtual bool installed() const = 0;
  virtual bool up() const = 0;
  virtual std::string name() const = 0;
  // This process's JACK clients join this server from now on.
  virtual void Use() const = 0;
  // Killed outright, as a crash ends it.
  virtual void Kill() = 0;
  // Up again after Kill: Launch starts it and returns at once, without a
  // client of this process asking anything; Settle waits until clients can
  // join it (true) and makes it whole.
  virtual void Launch() = 0;
  virtual bool Settle() = 0;
  bool Start() {
    Launch();
    return Settle();
  }

 protected:
  // Up once a client can join it, within ten seconds.
  bool AwaitUp(const std::function<bool()>& alive) const {
    EnvSaved saved;
    Use();
    for (int i = 0; i < 500; ++i) {
      if (Answers()) return true;
      if (!alive()) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
};

// JACK's server on the dummy driver. It takes the first of the names
// base-0 .. base-7 that no running server holds: a server killed outright
// leaves its name in the machine's registry of (at most eight) servers,
// and only a server of the same name reclaims the entry, so the tests keep
// to a few names of their own.
class JackdServer : public AudioServer {
 public:
  explicit JackdServer(const std::string& base) {
    installed_ = OnPath("jackd");
    for (int slot = 0; installed_ && slot < 8 && !up_; ++slot) {
      name_ = base + "-" + std::to_string(slot);
      if (AwaitUp([] { return false; })) continue;  // another run's server
      up_ = Start();
    }
  }
  ~JackdServer() override { End(pid_, SIGTERM); }

  bool installed() const override { return installed_; }
  bool up() const override { return up_; }
  std::string name() const override { return name_; }
  void Use() const override { SetEnv("JACK_DEFAULT_SERVER", name_); }
  void Kill() override {
    End(pid_, SIGKILL);
    up_ = false;
  }
  void Launch() override {
    // A server of this name that was killed left its semaphores, which the
    // new one would take over with their old counts.
    const std::string stale = "jack_sem." + std::to_string(::getuid()) + "_" + name_ + "_";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ec))
      if (entry.path().filename().string().rfind(stale, 0) == 0) std::filesystem::remove(entry, ec);
    pid_ = Spawn({"jackd", "-r", "-n", name_, "-d", "dummy", "-r", "48000", "-p", "128"});
  }
  bool Settle() override {
    // A server that exits at once refused the name.
    up_ = AwaitUp([this] { return ::waitpid(pid_, nullptr, WNOHANG) == 0; });
    if (!up_) End(pid_, SIGKILL);
    return up_;
  }

 private:
  std::string name_;
  pid_t pid_ = -1;
  bool installed_ = false;
  bool up_ = false;
};

// PipeWire and WirePlumber on a runtime folder and a session bus of their
// own; what they keep goes there too, never into the user's folders.
class PipeWireServer : public AudioServer {
 public:
  explicit PipeWireServer(const std::string& base) {
    installed_ = OnPath("pipewire") && OnPath("wireplumber") && OnPath("dbus-daemon");
    if (!installed_) return;
    std::string tmpl = (std::filesystem::temp_directory_path() / (base + "-XXXXXX")).string();
    if (::mkdtemp(tmpl.data()) == nullptr) return;
    dir_ = tmpl;
    StartBus();
    up_ = !bus_.empty() && Start();
  }
  ~PipeWireServer() override {
    End(wireplumber_, SIGTERM);
    End(pipewire_, SIGTERM);
    if (bus_pid_ > 0) ::kill(bus_pid_, SIGTERM);
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
  }

  bool installed() const override { return installed_; }
  bool up() const override { return up_; }
  std::string name() const override { return dir_.string(); }
  void Use() const override {
    SetEnv("XDG_RUNTIME_DIR", dir_.string());
    SetEnv("PIPEWIRE_RUNTIME_DIR", dir_.string());
  }
  void Kill() override {
    End(pipewire_, SIGKILL);
    End(wireplumber_, SIGKILL);
    up_ = false;
  }
  void Launch() override { pipewire_ = Spawn({"pipewire"}, Env()); }
  bool Settle() override {
    up_ = AwaitUp([this] { return ::waitpid(pipewire_, nullptr, WNOHANG) == 0; });
    if (up_ && wireplumber_ <= 0) wireplumber_ = Spawn({"wireplumber"}, Env());
    return up_;
  }

 private:
  std::vector<std::string> Env() const {
    const std::string d = dir_.string();
    return {"XDG_RUNTIME_DIR=" + d,
            "PIPEWIRE_RUNTIME_DIR=" + d,
            "DBUS_SESSION_BUS_ADDRESS=" + bus_,
            "XDG_CONFIG_HOME=" + d + "/config",
            "XDG_STATE_HOME=" + d + "/state",
            "XDG_DATA_HOME=" + d + "/data",
            "PIPEWIRE_LOG_SYSTEMD=false"};
  }
  // dbus-daemon forks itself and tells its address and process.
  void StartBus() {
    FILE* out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
    if (!out) return;
    char line[512];
    if (std::fgets(line, sizeof line, out)) bus_ = line;
    if (std::fgets(line, sizeof line, out)) bus_pid_ = std::atoi(line);
    ::pclose(out);
    while (!bus_.empty() && (bus_.back() == '\n' || bus_.back() == '\r')) bus_.pop_back();
  }

  std::filesystem::path dir_;
  std::string bus_;
  pid_t bus_pid_ = -1;
  pid_t pipewire_ = -1;
  pid_t wireplumber_ = -1;
  bool installed_ = false;
  bool up_ = false;
};

inline std::unique_ptr<AudioServer> AudioServer::Make(const std::string& base) {
  if (g_server_kind == ServerKind::PipeWire) return std::make_unique<PipeWireServer>(base);
  return std::make_unique<JackdServer>(base);
}

// Sends this process's clients to a server for one test, and back after.
class ServerFor : EnvSaved {
 public:
  explicit ServerFor(const AudioServer& server) { server.Use(); }
  // To no server at all.
  ServerFor() {
    SetEnv("JACK_DEFAULT_SERVER", "morva-nobody");
    SetEnv("XDG_RUNTIME_DIR", "/nonexistent/morva-nobody");
    SetEnv("PIPEWIRE_RUNTIME_DIR", "/nonexistent/morva-nobody");
  }
};

}  // namespace testing_support
