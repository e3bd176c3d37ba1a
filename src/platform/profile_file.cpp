#include "platform/profile_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

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

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Makes the rename itself durable; a failure here no longer endangers the
// content, so it is not reported.
void SyncDirectory(const std::filesystem::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

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
  std::filesystem::create_directories(dir, ec);
  if (ec) return false;

  const CommitFault at_create = fault(CommitStep::kCreateTemp);
  if (at_create != CommitFault::kProceed) return false;
  std::string leaf = target.filename().string();
  leaf.insert(0, 1, '.');
  leaf.append(".XXXXXX");
  std::string temp = (dir / leaf).string();
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
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
  if (f == CommitFault::kFail || !WriteAll(fd, content)) return fail(true);
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
  if (!ReplaceFileAtomically(path_, doc_.Serialize(), fault_hook_)) return false;
  dirty_ = false;
  return true;
}

}  // namespace platform
