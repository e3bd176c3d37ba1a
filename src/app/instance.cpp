#include "app/instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/windir.h"

namespace app {
namespace {

constexpr char kShowRequest[] = "show\n";

bool SocketAddress(const std::filesystem::path& dir, sockaddr_un& addr) {
  const std::string path = (dir / "morva-manager.socket").string();
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  return true;
}

}  // namespace

std::filesystem::path InstanceDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime && std::filesystem::path(runtime).is_absolute()) return runtime;
  return platform::WindowsDirectory();
}

SingleInstance::SingleInstance(std::filesystem::path dir) : dir_(std::move(dir)) {}

SingleInstance::~SingleInstance() {
  if (listen_fd_ >= 0) {
    ::close(listen_fd_);
    sockaddr_un addr;
    if (SocketAddress(dir_, addr)) ::unlink(addr.sun_path);
  }
  if (lock_fd_ >= 0) ::close(lock_fd_);
}

bool SingleInstance::Acquire() {
  std::error_code ec;
  std::filesystem::create_directories(dir_, ec);
  const std::string lock = (dir_ / "morva-manager.lock").string();
  lock_fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock_fd_ < 0) return false;
  if (::flock(lock_fd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(lock_fd_);
    lock_fd_ = -1;
    return false;
  }
  // The lock is ours: a socket left by a crashed instance goes.
  sockaddr_un addr;
  if (!SocketAddress(dir_, addr)) return true;
  ::unlink(addr.sun_path);
  listen_fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listen_fd_ >= 0 &&
      (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
       ::listen(listen_fd_, 4) != 0)) {
    ::close(listen_fd_);
    listen_fd_ = -1;
  }
  return true;
}

bool SingleInstance::NotifyRunning() const {
  sockaddr_un addr;
  if (!SocketAddress(dir_, addr)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            ::write(fd, kShowRequest, sizeof kShowRequest - 1) ==
                static_cast<ssize_t>(sizeof kShowRequest - 1);
  ::close(fd);
  return ok;
}

bool SingleInstance::TakeShowRequest() const {
  if (listen_fd_ < 0) return false;
  const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return false;
  // The request is a few bytes, written at once by the other instance.
  timeval limit{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  char buf[16] = {};
  const ssize_t n = ::read(fd, buf, sizeof buf - 1);
  ::close(fd);
  return n > 0 && std::strncmp(buf, kShowRequest, sizeof kShowRequest - 1) == 0;
}

}  // namespace app
