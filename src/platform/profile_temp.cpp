#include "platform/profile_temp.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <string_view>
#include <vector>

#include "platform/profile_io.h"

namespace platform::profile_internal {

namespace fs = std::filesystem;

namespace {

bool IsTemporaryOf(std::string_view name, std::string_view leaf) {
  // "." + leaf + "." + six characters of mkstemp's alphabet
  if (name.size() != leaf.size() + 8 || name.front() != '.' ||
      name.substr(1, leaf.size()) != leaf || name[leaf.size() + 1] != '.')
    return false;
  for (char c : name.substr(leaf.size() + 2)) {
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

// Six characters of mkstemp's alphabet, so that temporaries of earlier
// versions are recognised as well.
std::string RandomSuffix() {
  static constexpr char kAlphabet[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 rng{std::random_device{}()};
  std::uniform_int_distribution<int> pick(0, sizeof kAlphabet - 2);
  std::string out(6, 'x');
  for (char& c : out) c = kAlphabet[pick(rng)];
  return out;
}

}  // namespace

int CreateLockedTemporary(const fs::path& dir, const std::string& leaf, std::string& temp) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string name = (dir / ("." + leaf + "." + RandomSuffix())).string();
    const int fd =
        sys::Open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return -1;
    // A cleaner that found it in the moment before the lock may have
    // removed it; then it is no longer the file of that name.
    struct stat mine {};
    struct stat named {};
    if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &mine) == 0 && mine.st_nlink > 0 &&
        ::lstat(name.c_str(), &named) == 0 && named.st_ino == mine.st_ino &&
        named.st_dev == mine.st_dev) {
      temp = std::move(name);
      return fd;
    }
    sys::Close(fd);
  }
  errno = EEXIST;
  return -1;
}

std::size_t RemoveStaleTemporariesIn(const fs::path& dir, const std::string& leaf) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return 0;
  std::vector<std::string> candidates;
  while (const dirent* e = ::readdir(d)) {
    if (IsTemporaryOf(e->d_name, leaf)) candidates.emplace_back(e->d_name);
  }
  ::closedir(d);
  std::size_t removed = 0;
  for (const std::string& name : candidates) {
    const fs::path p = dir / name;
    Fd fd(sys::Open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.ok()) continue;
    struct stat st {};
    struct stat named {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    // A live writer holds its lock; the lock of a killed one went with it.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
    if (::lstat(p.c_str(), &named) != 0 || named.st_ino != st.st_ino || named.st_dev != st.st_dev)
      continue;
    if (sys::Unlink(p.c_str()) == 0) ++removed;
  }
  return removed;
}

}  // namespace platform::profile_internal
