#pragma once
// One MORVA Manager per user session. The first instance holds a lock and
// listens on a local socket, both in a folder of the user's own (the
// runtime folder, else the settings folder); a later start finds the lock
// taken and passes its request (show the control window, or a command) to
// the running instance through the socket.
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
  // the lock (or the folder cannot be used, which a later Connect tells).
  bool Acquire();
  // A connected socket to the running instance of this user; -1 when none
  // of this user answers.
  int Connect();

  // The listening socket of the first instance, for the event loop; -1
  // before Acquire succeeded.
  int listen_fd() const { return listen_fd_; }
  // Takes one waiting connection: its socket, or -1 when none waits. A
  // connection from another user is closed unread.
  int Accept() const;

 private:
  bool OpenFolder();

  std::filesystem::path dir_;
  int dir_fd_ = -1;
  int lock_fd_ = -1;
  int listen_fd_ = -1;
};

// The user a connected local socket's other end runs as; false when the
// system does not say.
bool PeerUid(int fd, unsigned& uid);

}  // namespace app
