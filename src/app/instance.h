#pragma once
// One MORVA Manager per user session. The first instance holds a lock and
// listens on a local socket, both in $XDG_RUNTIME_DIR (else the settings
// folder); a later start finds the lock taken, asks the running instance
// to show its control window and ends. The lock goes with its process, so
// the lock of a crashed instance is simply taken over.
#include <filesystem>
#include <string>

namespace app {

// The folder of the lock and the socket.
std::filesystem::path InstanceDirectory();

class SingleInstance {
 public:
  explicit SingleInstance(std::filesystem::path dir);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Takes the lock and opens the socket; false when another instance holds
  // the lock (or the folder cannot be used, which a later Notify tells).
  bool Acquire();
  // Asks the running instance to show its control window; false when none
  // answers.
  bool NotifyRunning() const;

  // The listening socket of the first instance, for the event loop; -1
  // before Acquire succeeded.
  int listen_fd() const { return listen_fd_; }
  // Takes one waiting request; true when it asked to show the control
  // window.
  bool TakeShowRequest() const;

 private:
  std::filesystem::path dir_;
  int lock_fd_ = -1;
  int listen_fd_ = -1;
};

}  // namespace app
