#include "app/instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/windir.h"

namespace app {
namespace {

constexpr char kLockName[] = "morva-manager.lock";
constexpr char kSocketName[] = "morva-manager.socket";

bool SocketAddress(const std::filesystem::path& dir, sockaddr_un& addr) {
  const std::string path = (dir / kSocketName).string();
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool OwnedByUs(const struct stat& st) {
  return st.st_uid == ::geteuid();
}

// The lock file, opened without following a link. Whatever else stands
// under its name (another user's file, a link, a FIFO) is removed and a
// file of our own made in its place; the folder is ours, so only a
// confused or hostile program put it there.
int OpenLockFile(int dir_fd) {
  constexpr int kFlags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  int fd = ::openat(dir_fd, kLockName, kFlags | O_CREAT, 0600);
  struct stat st {};
  if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && OwnedByUs(st)) return fd;
  if (fd >= 0) ::close(fd);
  if (::unlinkat(dir_fd, kLockName, 0) != 0 && errno != ENOENT) return -1;
  fd = ::openat(dir_fd, kLockName, kFlags | O_CREAT | O_EXCL, 0600);
  if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !OwnedByUs(st))) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// The socket under its name is one of ours (not a link, not another
// user's); the peer's user is checked once connected as well.
bool OwnSocket(int dir_fd) {
  struct stat st {};
  return ::fstatat(dir_fd, kSocketName, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISSOCK(st.st_mode) &&
         OwnedByUs(st);
}

bool SameUser(int fd) {
  unsigned uid = 0;
  return PeerUid(fd, uid) && uid == ::geteuid();
}

}  // namespace

bool PeerUid(int fd, unsigned& uid) {
  ucred cred{};
  socklen_t len = sizeof cred;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred)
    return false;
  uid = cred.uid;
  return true;
}

bool IsOwnFolder(const std::filesystem::path& dir, bool closed) {
  if (!dir.is_absolute()) return false;
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  const bool ok = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && OwnedByUs(st);
  ::close(fd);
  if (!ok) return false;
  if (closed) return (st.st_mode & 077) == 0;
  if (st.st_mode & S_IWOTH) return false;
  return !(st.st_mode & S_IWGRP) || st.st_gid == ::getegid();
}

std::filesystem::path InstanceDirectory() {
  // Another user's runtime folder stays in the environment of a program
  // started as root without a login (su without "-").
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    if (IsOwnFolder(runtime, true)) return runtime;
  }
  std::filesystem::path settings = platform::WindowsDirectory();
  std::error_code ec;
  std::filesystem::create_directories(settings, ec);
  if (IsOwnFolder(settings, false)) return settings;
  return {};
}

SingleInstance::SingleInstance(std::filesystem::path dir) : dir_(std::move(dir)) {}

SingleInstance::~SingleInstance() {
  if (listen_fd_ >= 0) {
    ::close(listen_fd_);
    if (dir_fd_ >= 0) ::unlinkat(dir_fd_, kSocketName, 0);
  }
  if (lock_fd_ >= 0) ::close(lock_fd_);
  if (dir_fd_ >= 0) ::close(dir_fd_);
}

// The folder is held open from here on: the lock and the socket are looked
// up in the folder that was checked, whatever its name comes to mean.
bool SingleInstance::OpenFolder() {
  if (dir_fd_ >= 0) return true;
  dir_fd_ = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  return dir_fd_ >= 0;
}

bool SingleInstance::Acquire() {
  if (dir_.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(dir_, ec);
  if (!OpenFolder()) return false;
  lock_fd_ = OpenLockFile(dir_fd_);
  if (lock_fd_ < 0) return false;
  if (::flock(lock_fd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(lock_fd_);
    lock_fd_ = -1;
    return false;
  }
  // The lock is ours: a socket left by a crashed instance, or put there by
  // anyone else, goes.
  sockaddr_un addr;
  if (!SocketAddress(dir_, addr)) return true;
  ::unlinkat(dir_fd_, kSocketName, 0);
  listen_fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listen_fd_ < 0) return true;
  // Only the user may connect; every peer is checked besides.
  const mode_t old_mask = ::umask(0177);
  const bool bound = ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::umask(old_mask);
  if (!bound || !OwnSocket(dir_fd_) || ::listen(listen_fd_, 8) != 0) {
    ::close(listen_fd_);
    listen_fd_ = -1;
  }
  return true;
}

int SingleInstance::Connect() {
  sockaddr_un addr;
  if (!OpenFolder() || !SocketAddress(dir_, addr) || !OwnSocket(dir_fd_)) return -1;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || !SameUser(fd)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

int SingleInstance::Accept() const {
  if (listen_fd_ < 0) return -1;
  const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return -1;
  if (!SameUser(fd)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace app
