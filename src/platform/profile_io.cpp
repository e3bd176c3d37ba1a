#include "platform/profile_io.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdint>
#include <mutex>
#include <system_error>

#include "platform/lasting.h"
#include "platform/profile_file.h"

namespace platform {
namespace {

std::mutex& HookLock() {
  static Lasting<std::mutex> lock;
  return lock.get();
}

FileCallHook& Hook() {
  static Lasting<FileCallHook> hook;
  return hook.get();
}

}  // namespace

void SetFileCallHook(FileCallHook hook) {
  std::lock_guard<std::mutex> hold(HookLock());
  Hook() = std::move(hook);
}

}  // namespace platform

namespace platform::profile_internal {

namespace fs = std::filesystem;

namespace sys {
namespace {

// False (errno set) when the call is to fail; a short count halves n.
bool Proceed(FileCall call, std::size_t* n = nullptr) {
  FileCallHook hook;
  {
    std::lock_guard<std::mutex> hold(HookLock());
    if (!Hook()) return true;
    hook = Hook();
  }
  const FileCallOutcome outcome = hook(call);
  if (outcome.error != 0) {
    errno = outcome.error;
    return false;
  }
  if (outcome.short_count && n && *n > 1) *n /= 2;
  return true;
}

}  // namespace

int Open(const char* path, int flags, mode_t mode) {
  return Proceed(FileCall::kOpen) ? ::open(path, flags, mode) : -1;
}
ssize_t Read(int fd, void* buffer, std::size_t n) {
  return Proceed(FileCall::kRead, &n) ? ::read(fd, buffer, n) : -1;
}
ssize_t Pread(int fd, void* buffer, std::size_t n, off_t offset) {
  return Proceed(FileCall::kRead, &n) ? ::pread(fd, buffer, n, offset) : -1;
}
ssize_t Write(int fd, const void* data, std::size_t n) {
  return Proceed(FileCall::kWrite, &n) ? ::write(fd, data, n) : -1;
}
ssize_t Pwrite(int fd, const void* data, std::size_t n, off_t offset) {
  return Proceed(FileCall::kPwrite, &n) ? ::pwrite(fd, data, n, offset) : -1;
}
int Fsync(int fd) {
  return Proceed(FileCall::kFsync) ? ::fsync(fd) : -1;
}
int Rename(const char* from, const char* to) {
  return Proceed(FileCall::kRename) ? ::rename(from, to) : -1;
}
int Ftruncate(int fd, off_t length) {
  return Proceed(FileCall::kFtruncate) ? ::ftruncate(fd, length) : -1;
}
int Unlink(const char* path) {
  return Proceed(FileCall::kUnlink) ? ::unlink(path) : -1;
}
int Close(int fd) {
  if (Proceed(FileCall::kClose)) return ::close(fd);
  const int error = errno;
  ::close(fd);
  errno = error;
  return -1;
}
int Mkdir(const char* path, mode_t mode) {
  return Proceed(FileCall::kMkdir) ? ::mkdir(path, mode) : -1;
}
int Fallocate(int fd, int mode, off_t offset, off_t length) {
  return Proceed(FileCall::kFallocate) ? ::fallocate(fd, mode, offset, length) : -1;
}

}  // namespace sys

bool PreadAll(int fd, char* buffer, std::size_t n, off_t offset, bool* io_error) {
  while (n > 0) {
    const ssize_t got = sys::Pread(fd, buffer, n, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && io_error) *io_error = true;
    if (got <= 0) return false;
    buffer += got;
    n -= static_cast<std::size_t>(got);
    offset += got;
  }
  return true;
}

bool WriteFully(int fd, std::string_view data, off_t offset) {
  while (!data.empty()) {
    const ssize_t n = offset < 0 ? sys::Write(fd, data.data(), data.size())
                                 : sys::Pwrite(fd, data.data(), data.size(), offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
    if (offset >= 0) offset += n;
  }
  return true;
}

bool SyncDirectory(const fs::path& dir) {
  Fd fd(sys::Open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd.ok() && sys::Fsync(fd.get()) == 0;
}

bool RemoveLeftover(const fs::path& path) {
  // A one-off failure (an interrupted or transient I/O error) should not
  // leave a file as large as the settings behind.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (sys::Unlink(path.c_str()) == 0 || errno == ENOENT) return true;
  }
  return false;
}

fs::path ResolveTarget(const fs::path& path) {
  std::error_code ec;
  if (fs::is_symlink(path, ec)) {
    const auto resolved = fs::weakly_canonical(path, ec);
    if (!ec) return resolved;
  }
  return path;
}

fs::path DirectoryOf(const fs::path& target) {
  fs::path dir = target.parent_path();
  return dir.empty() ? fs::path(".") : dir;
}

bool MakeDirectories(const fs::path& dir, mode_t mode) {
  struct stat st {};
  if (dir.empty() || ::stat(dir.c_str(), &st) == 0) return true;
  const fs::path parent = dir.parent_path();
  if (parent != dir && !MakeDirectories(parent, mode)) return false;
  return sys::Mkdir(dir.c_str(), mode) == 0 || errno == EEXIST;
}

FileKey KeyOf(const struct stat& st) {
  return FileKey{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

namespace {

bool operator==(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

bool operator==(const FileKey& a, const FileKey& b) {
  return a.dev == b.dev && a.ino == b.ino && a.size == b.size && a.mtime == b.mtime &&
         a.ctime == b.ctime;
}

// A file modified this recently may still change within the same time
// stamp tick without its key changing; its picture is not trusted.
constexpr std::int64_t kRacyNanoseconds = 100'000'000;

bool SettledKey(const FileKey& key) {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const std::int64_t age =
      (static_cast<std::int64_t>(now.tv_sec) - key.mtime.tv_sec) * 1'000'000'000 +
      (now.tv_nsec - key.mtime.tv_nsec);
  const std::int64_t change_age =
      (static_cast<std::int64_t>(now.tv_sec) - key.ctime.tv_sec) * 1'000'000'000 +
      (now.tv_nsec - key.ctime.tv_nsec);
  return age >= kRacyNanoseconds && change_age >= kRacyNanoseconds;
}

}  // namespace platform::profile_internal
