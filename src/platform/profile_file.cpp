#include "platform/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

#include "platform/windir.h"

namespace platform {
namespace {

enum class ReadResult { kRead, kMissing, kFailed };

ReadResult ReadWholeFile(const std::filesystem::path& path, std::string& out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return errno == ENOENT || errno == ENOTDIR ? ReadResult::kMissing : ReadResult::kFailed;
  char chunk[65536];
  ReadResult result = ReadResult::kRead;
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n > 0) {
      out.append(chunk, static_cast<std::size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      result = ReadResult::kFailed;  // a directory under the file's name lands here too
      break;
    }
  }
  ::close(fd);
  return result;
}

// Under a full disk every write stops part-way, as it would with "no space".
bool WriteAll(int fd, std::string_view data, DiskFault fault, off_t offset = -1) {
  if (fault == DiskFault::kFull) {
    data = data.substr(0, data.size() / 2);
  }
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
  if (fault == DiskFault::kFull) {
    errno = ENOSPC;
    return false;
  }
  return true;
}

// Makes room for size bytes without touching the bytes already there, so
// that a full disk shows before anything is overwritten. Where the file
// system cannot reserve, zeros are written after the old end.
bool Reserve(int fd, off_t old_size, off_t size, DiskFault fault) {
  if (size <= old_size) return true;
  if (fault == DiskFault::kFull) return false;
  if (::fallocate(fd, 0, old_size, size - old_size) == 0) return true;
  if (errno != EOPNOTSUPP) return false;
  const std::string zeros(static_cast<std::size_t>(size - old_size), '\0');
  return WriteAll(fd, zeros, fault, old_size);
}

// Rewrites a writable file in place, for a directory that refuses new
// files: reserve, overwrite, flush, cut to the new length. A failure before
// the overwrite leaves the old bytes (and length) as they were.
bool RewriteInPlace(const std::filesystem::path& target, std::string_view content,
                    DiskFault fault) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0;
  const off_t size = static_cast<off_t>(content.size());
  if (ok && !Reserve(fd, st.st_size, size, fault)) {
    if (::ftruncate(fd, st.st_size) != 0) {
      // The length could not be put back; the old bytes are all still there.
    }
    ok = false;
  }
  ok = ok && WriteAll(fd, content, fault, 0) && ::fsync(fd) == 0 && ::ftruncate(fd, size) == 0 &&
       ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

// A file whose write bits are all off is read-only, as Windows' attribute
// is: its content is never replaced, whoever runs the program.
bool ReadOnlyFile(const std::filesystem::path& target) {
  struct stat st {};
  return ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

// Makes the rename itself durable; a failure here no longer endangers the
// content, so it is not reported.
void SyncDirectory(const std::filesystem::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

ReplaceListener& Listener() {
  static ReplaceListener listener;
  return listener;
}

}  // namespace

void SetReplaceListener(ReplaceListener listener) {
  Listener() = std::move(listener);
}

bool ReplaceFileAtomically(const std::filesystem::path& target_path, std::string_view content,
                           const CommitFaultHook& fault_hook) {
  auto fault = [&fault_hook](CommitStep step) {
    return fault_hook ? fault_hook(step) : CommitFault::kProceed;
  };
  std::error_code ec;
  // Replace what a link points to, not the link.
  std::filesystem::path target = target_path;
  if (std::filesystem::is_symlink(target, ec)) {
    const auto resolved = std::filesystem::weakly_canonical(target, ec);
    if (!ec) target = resolved;
  }
  std::filesystem::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  const DiskFault disk = DiskFaultFor(target);
  if (disk == DiskFault::kReadOnly || ReadOnlyFile(target)) return false;
  std::filesystem::create_directories(dir, ec);
  if (ec) return false;

  const CommitFault at_create = fault(CommitStep::kCreateTemp);
  if (at_create == CommitFault::kFail || at_create == CommitFault::kAbandon) return false;
  std::string leaf = target.filename().string();
  leaf.insert(0, 1, '.');
  leaf.append(".XXXXXX");
  std::string temp = (dir / leaf).string();
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  errno = EACCES;
  const int fd = at_create == CommitFault::kRefuse ? -1 : ::mkstemp(name.data());
  if (fd < 0) {
    // A directory that takes no new files may still hold a writable file.
    const bool refused = errno == EACCES || errno == EPERM || errno == EROFS;
    return refused && std::filesystem::is_regular_file(target, ec) &&
           RewriteInPlace(target, content, disk);
  }
  temp.assign(name.data());

  auto fail = [&](bool clean_up) {
    ::close(fd);
    if (clean_up) ::unlink(temp.c_str());
    return false;
  };
  struct stat old_state {};
  const mode_t mode = ::stat(target.c_str(), &old_state) == 0 ? (old_state.st_mode & 07777) : 0644;
  if (::fchmod(fd, mode) != 0) return fail(true);

  CommitFault f = fault(CommitStep::kWriteTemp);
  if (f == CommitFault::kAbandon) return fail(false);
  if (f == CommitFault::kFail || !WriteAll(fd, content, disk)) return fail(true);
  f = fault(CommitStep::kSyncTemp);
  if (f == CommitFault::kAbandon) return fail(false);
  if (f == CommitFault::kFail || ::fsync(fd) != 0) return fail(true);
  if (::close(fd) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  f = fault(CommitStep::kReplace);
  if (f == CommitFault::kAbandon) return false;
  if (f == CommitFault::kFail || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  SyncDirectory(dir);
  return true;
}

ProfileFile::ProfileFile(std::filesystem::path path) : path_(std::move(path)) {
  std::string content;
  const ReadResult read = ReadWholeFile(path_, content);
  readable_ = read != ReadResult::kFailed;
  exists_ = read != ReadResult::kMissing;
  if (readable_) doc_ = ProfileDocument::Parse(content);
}

void ProfileFile::Note(ProfileEdit edit) {
  if (edit == ProfileEdit::kChanged) dirty_ = true;
}

bool ProfileFile::Write(std::string_view section, std::string_view key, std::string_view value) {
  const ProfileEdit edit = doc_.Write(section, key, value);
  Note(edit);
  return edit != ProfileEdit::kRefused;
}

void ProfileFile::EraseKey(std::string_view section, std::string_view key) {
  Note(doc_.EraseKey(section, key));
}

void ProfileFile::EraseSection(std::string_view section) {
  Note(doc_.EraseSection(section));
}

bool ProfileFile::Commit() {
  if (!dirty_) return true;
  if (!readable_) return false;
  const std::string content = doc_.Serialize();
  if (!ReplaceFileAtomically(path_, content, fault_hook_)) return false;
  if (Listener()) Listener()(path_, content);
  dirty_ = false;
  return true;
}

}  // namespace platform
