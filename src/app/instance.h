#pragma once
// One MORVA Manager per user session. The first instance holds a lock and
// listens on a local socket, both in a folder of the user's own (the
// runtime folder, else the settings folder); a later start finds the lock
// taken, asks the running instance to show its control window and ends.
// The lock goes with its process, so the lock of a crashed instance is
// simply taken over.
//
// Nothing of another user is trusted: a folder that is not the user's own
// is not used, a lock file or socket that another user put in its place is
// replaced, and both ends of a connection must run as the same user.
#include <filesystem>
#include <string>

namespace app {

// Whether dir is the effective user's own folder: a directory itself (not a
// link to one), owned by the user. `closed`: nobody else may enter it
// (mode 0700 or tighter); otherwise nobody else may write to it (group
// write only for the user's own group).
bool IsOwnFolder(const std::filesystem::path& dir, bool closed);

// The folder of the lock and the socket: $XDG_RUNTIME_DIR when it is the
// user's own and closed to others, else the settings folder (made when
// missing) when nobody else may write to it; empty when neither is.
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
  // of this user answers.
  bool NotifyRunning();

  // The listening socket of the first instance, for the event loop; -1
  // before Acquire succeeded.
  int listen_fd() const { return listen_fd_; }
  // Takes one waiting request; true when it asked to show the control
  // window. A connection from another user is closed unread.
  bool TakeShowRequest() const;

 private:
  bool OpenFolder();
  // A connected socket to the running instance of this user, or -1.
  int Connect() const;

  std::filesystem::path dir_;
  int dir_fd_ = -1;
  int lock_fd_ = -1;
  int listen_fd_ = -1;
};

// The user a connected local socket's other end runs as; false when the
// system does not say.
bool PeerUid(int fd, unsigned& uid);

}  // namespace app
