#include "platform/profile_io.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace platform::profile_internal {

namespace fs = std::filesystem;

bool PreadAll(int fd, char* buffer, std::size_t n, off_t offset) {
  while (n > 0) {
    const ssize_t got = ::pread(fd, buffer, n, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    buffer += got;
    n -= static_cast<std::size_t>(got);
    offset += got;
  }
  return true;
}

bool WriteFully(int fd, std::string_view data, off_t offset) {
  while (!data.empty()) {
    const ssize_t n = offset < 0 ? ::write(fd, data.data(), data.size())
                                 : ::pwrite(fd, data.data(), data.size(), offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
    if (offset >= 0) offset += n;
  }
  return true;
}

void SyncDirectory(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
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
