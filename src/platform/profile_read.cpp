#include "platform/profile_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <new>

#include "platform/profile_document.h"

namespace platform::profile_internal {

namespace fs = std::filesystem;

ReadResult ReadRegularFile(const fs::path& path, std::string& out, FileKey& key) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0)
    return errno == ENOENT || errno == ENOTDIR ? ReadResult::kMissing : ReadResult::kFailed;
  if (!S_ISREG(st.st_mode)) return ReadResult::kFailed;
  for (int attempt = 0; attempt < 4; ++attempt) {
    Fd fd(sys::Open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.ok())
      return errno == ENOENT || errno == ENOTDIR ? ReadResult::kMissing : ReadResult::kFailed;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return ReadResult::kFailed;
    if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > ProfileDocument::kMaxBytes)
      return ReadResult::kFailed;
    const auto size = static_cast<std::size_t>(st.st_size);
    try {
      out.assign(size, '\0');
    } catch (const std::bad_alloc&) {
      return ReadResult::kFailed;
    }
    std::size_t got = 0;
    bool failed = false;
    while (got < size) {
      const ssize_t n = sys::Read(fd.get(), out.data() + got, size - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        failed = true;  // a directory under the file's name lands here too
        break;
      }
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    if (failed) return ReadResult::kFailed;
    char extra;
    ssize_t more;
    do {
      more = sys::Read(fd.get(), &extra, 1);
    } while (more < 0 && errno == EINTR);
    struct stat after {};
    if (::fstat(fd.get(), &after) != 0) return ReadResult::kFailed;
    if (got == size && more == 0 && KeyOf(after) == KeyOf(st)) {
      key = KeyOf(after);
      return ReadResult::kRead;
    }
  }
  return ReadResult::kFailed;
}

}  // namespace platform::profile_internal
