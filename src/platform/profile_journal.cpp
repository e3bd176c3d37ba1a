#include "platform/profile_journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/profile_temp.h"
#include "platform/profile_write.h"
#include "platform/windir.h"

namespace platform::profile_internal {

namespace fs = std::filesystem;

namespace {

constexpr char kJournalMagic[] = "MORVAJ01";
constexpr char kJournalEnd[] = "MORVAEND";
constexpr std::size_t kMagicSize = 8;

class Checksum {
 public:
  void Add(std::string_view data) {
    for (char c : data) {
      word_ |= static_cast<std::uint64_t>(static_cast<unsigned char>(c)) << (8 * filled_);
      if (++filled_ == 8) Mix();
    }
    length_ += data.size();
  }
  std::uint64_t Value() const {
    Checksum copy = *this;
    if (copy.filled_ > 0) copy.Mix();
    std::uint64_t h = copy.h_ ^ length_;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return h;
  }

 private:
  void Mix() {
    h_ = (h_ ^ word_) * 0x100000001B3ull;
    h_ ^= h_ >> 29;
    word_ = 0;
    filled_ = 0;
  }
  std::uint64_t h_ = 0x9E3779B97F4A7C15ull;
  std::uint64_t word_ = 0;
  int filled_ = 0;
  std::uint64_t length_ = 0;
};

void PutU64(std::string& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint64_t GetU64(const char* p) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(p[i]);
  return v;
}

bool ReadJournalHeader(int fd, JournalHeader& h, std::uint64_t file_size, bool& io_error) {
  char fixed[kMagicSize + 5 * 8];
  if (file_size < sizeof fixed + 16 || !PreadAll(fd, fixed, sizeof fixed, 0, &io_error))
    return false;
  if (std::memcmp(fixed, kJournalMagic, kMagicSize) != 0) return false;
  h.dev = GetU64(fixed + 8);
  h.ino = GetU64(fixed + 16);
  h.old_size = GetU64(fixed + 24);
  h.new_size = GetU64(fixed + 32);
  const std::uint64_t path_size = GetU64(fixed + 40);
  if (path_size > 65536) return false;
  h.header_size = sizeof fixed + path_size;
  if (h.old_size > file_size || h.new_size > file_size ||
      h.header_size + h.old_size + h.new_size + 16 != file_size)
    return false;
  h.path.assign(path_size, '\0');
  return PreadAll(fd, h.path.data(), path_size, sizeof fixed, &io_error);
}

// Reads [offset, offset + size) of fd in slices of at most kSlice bytes;
// io_error tells a failed read from a visit that said no.
template <typename F>
bool ForEachSlice(int fd, std::uint64_t offset, std::uint64_t size, F&& visit,
                  bool* io_error = nullptr) {
  constexpr std::size_t kSlice = 1 << 20;
  std::string buffer(static_cast<std::size_t>(std::min<std::uint64_t>(size, kSlice)), '\0');
  for (std::uint64_t at = 0; at < size;) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(size - at, kSlice));
    if (!PreadAll(fd, buffer.data(), n, static_cast<off_t>(offset + at), io_error)) return false;
    if (!visit(std::string_view(buffer.data(), n), at)) return false;
    at += n;
  }
  return true;
}

bool JournalChecksumHolds(int fd, std::uint64_t file_size, bool& io_error) {
  Checksum sum;
  if (!ForEachSlice(
          fd, 0, file_size - 16,
          [&](std::string_view s, std::uint64_t) {
            sum.Add(s);
            return true;
          },
          &io_error))
    return false;
  char tail[16];
  return PreadAll(fd, tail, sizeof tail, static_cast<off_t>(file_size - 16), &io_error) &&
         GetU64(tail) == sum.Value() && std::memcmp(tail + 8, kJournalEnd, kMagicSize) == 0;
}

// Whether the file holds, at every place, a byte of the new content, of the
// old one, or a reserved zero past the old end: what a rewrite from old to
// new can leave wherever it stopped. `complete` tells whether it is the new
// content exactly.
bool MixtureOfOldAndNew(int fd, int journal, const JournalHeader& h, std::uint64_t size,
                        bool& complete, bool& io_error) {
  const std::uint64_t longest = std::max(h.old_size, h.new_size);
  if (size != h.old_size && size != h.new_size && size != longest) return false;
  complete = size == h.new_size;
  const std::uint64_t new_at = h.header_size;
  const std::uint64_t old_at = h.header_size + h.new_size;
  std::string fresh;
  std::string stale;
  return ForEachSlice(
      fd, 0, size,
      [&](std::string_view now, std::uint64_t at) {
        const std::uint64_t n = now.size();
        const auto in_new =
            static_cast<std::size_t>(at < h.new_size ? std::min(n, h.new_size - at) : 0);
        const auto in_old =
            static_cast<std::size_t>(at < h.old_size ? std::min(n, h.old_size - at) : 0);
        fresh.resize(in_new);
        stale.resize(in_old);
        if (in_new > 0 &&
            !PreadAll(journal, fresh.data(), in_new, static_cast<off_t>(new_at + at), &io_error))
          return false;
        if (in_old > 0 &&
            !PreadAll(journal, stale.data(), in_old, static_cast<off_t>(old_at + at), &io_error))
          return false;
        for (std::size_t i = 0; i < n; ++i) {
          const bool is_new = i < in_new && now[i] == fresh[i];
          if (!is_new) complete = false;
          if (is_new || (i < in_old && now[i] == stale[i]) || (i >= in_old && now[i] == '\0'))
            continue;
          return false;
        }
        return true;
      },
      &io_error);
}

// Writes the new content from the journal over the file and cuts it.
bool RollForward(int fd, int journal, const JournalHeader& h) {
  if (!ForEachSlice(journal, h.header_size, h.new_size, [&](std::string_view s, std::uint64_t at) {
        return WriteFully(fd, s, static_cast<off_t>(at));
      }))
    return false;
  return sys::Fsync(fd) == 0 && sys::Ftruncate(fd, static_cast<off_t>(h.new_size)) == 0 &&
         sys::Fsync(fd) == 0;
}

// Removes journals whose file is gone or is another file by now (nothing
// can complete them), and journal temporaries that no writer holds.
void RemoveOrphanJournals(const fs::path& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> journals;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name = e->d_name;
    if (name.size() > 8 && name.substr(name.size() - 8) == ".journal" && name.front() != '.')
      journals.emplace_back(name);
  }
  ::closedir(d);
  for (const std::string& name : journals) {
    RemoveStaleTemporariesIn(dir, name);
    const fs::path p = dir / name;
    Fd fd(sys::Open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (!fd.ok() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
      continue;
    JournalHeader h;
    bool io_error = false;
    struct stat target {};
    const bool read =
        ReadJournalHeader(fd.get(), h, static_cast<std::uint64_t>(st.st_size), io_error);
    // A journal that cannot be read now may still be needed.
    if (io_error || (read && ::stat(h.path.c_str(), &target) == 0 && target.st_dev == h.dev &&
                     target.st_ino == h.ino))
      continue;
    sys::Unlink(p.c_str());
  }
}

}  // namespace

std::string JournalLeaf(dev_t dev, ino_t ino) {
  char name[64];
  std::snprintf(name, sizeof name, "%llx-%llx.journal", static_cast<unsigned long long>(dev),
                static_cast<unsigned long long>(ino));
  return name;
}

bool RollBack(int fd, int journal, const JournalHeader& h) {
  if (!ForEachSlice(journal, h.header_size + h.new_size, h.old_size,
                    [&](std::string_view s, std::uint64_t at) {
                      return WriteFully(fd, s, static_cast<off_t>(at));
                    }))
    return false;
  return sys::Fsync(fd) == 0 && sys::Ftruncate(fd, static_cast<off_t>(h.old_size)) == 0 &&
         sys::Fsync(fd) == 0;
}

bool RemoveJournal(const fs::path& journal) {
  if (!RemoveLeftover(journal)) return false;
  // Should the removal not last, the journal is found complete, or not
  // matching the file, and removed again.
  SyncDirectory(journal.parent_path());
  return true;
}

CommitError CheckJournalFolder(const fs::path& dir, bool create) {
  bool made = false;
  if (create) {
    // Missing parents are made private to the user (0700), as state folders are.
    if (!MakeDirectories(dir.parent_path(), 0700)) return CommitError::kWrite;
    made = sys::Mkdir(dir.c_str(), 0700) == 0;
    if (!made && errno != EEXIST) return CommitError::kWrite;
  }
  // Opened, not looked up by name twice: a link is refused, and what is
  // checked is what is used.
  Fd fd(sys::Open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.ok()) {
    if (errno == ENOTDIR || errno == ELOOP) return CommitError::kJournalFolderNotFolder;
    return errno == ENOENT && !create ? CommitError::kNone : CommitError::kWrite;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return CommitError::kWrite;
  if (!S_ISDIR(st.st_mode)) return CommitError::kJournalFolderNotFolder;
  if (st.st_uid != ::geteuid()) return CommitError::kJournalFolderForeign;
  // What this process made is 0700 whatever the umask left of it.
  if (made && (st.st_mode & 07777) != 0700 &&
      (::fchmod(fd.get(), 0700) != 0 || ::fstat(fd.get(), &st) != 0))
    return CommitError::kWrite;
  if ((st.st_mode & 077) != 0) return CommitError::kJournalFolderOpen;
  return CommitError::kNone;
}

CommitError WriteJournal(int target_fd, const struct stat& st, const fs::path& target,
                         const Payload& payload, std::uint64_t new_size, Journal& out) {
  const fs::path dir = JournalDirectory();
  if (const CommitError folder = CheckJournalFolder(dir, true); folder != CommitError::kNone)
    return folder;
  RemoveOrphanJournals(dir);
  const std::string leaf = JournalLeaf(st.st_dev, st.st_ino);
  RemoveStaleTemporariesIn(dir, leaf);
  std::string temp;
  Fd fd(CreateLockedTemporary(dir, leaf, temp));
  if (!fd.ok()) return CommitError::kWrite;
  auto fail = [&] {
    RemoveLeftover(temp);
    return CommitError::kWrite;
  };
  JournalHeader& h = out.header;
  h.dev = static_cast<std::uint64_t>(st.st_dev);
  h.ino = static_cast<std::uint64_t>(st.st_ino);
  h.old_size = static_cast<std::uint64_t>(st.st_size);
  h.new_size = new_size;
  std::error_code ec;
  const fs::path absolute = fs::absolute(target, ec);
  h.path = (ec ? target : absolute).string();
  std::string head(kJournalMagic, kMagicSize);
  PutU64(head, h.dev);
  PutU64(head, h.ino);
  PutU64(head, h.old_size);
  PutU64(head, h.new_size);
  PutU64(head, h.path.size());
  head += h.path;
  h.header_size = head.size();

  Checksum sum;
  FdSink sink(fd.get(), -1, DiskFault::kNone);
  auto put = [&](std::string_view s) {
    sum.Add(s);
    return sink(s);
  };
  if (!put(head)) return fail();
  if (!payload.write(put) || sink.written() != h.header_size + new_size) return fail();
  if (!ForEachSlice(target_fd, 0, h.old_size,
                    [&](std::string_view s, std::uint64_t) { return put(s); }))
    return fail();
  std::string tail;
  PutU64(tail, sum.Value());
  tail.append(kJournalEnd, kMagicSize);
  if (!sink(tail) || sys::Fsync(fd.get()) != 0) return fail();
  out.path = dir / leaf;
  if (sys::Rename(temp.c_str(), out.path.c_str()) != 0) return fail();
  // From here on the journal is the rewrite's record: should even its
  // removal fail, it completes the file at the next open, so the rewrite
  // goes on whatever the folder's flush says.
  SyncDirectory(dir);
  out.fd.Reset(fd.Release());
  return CommitError::kNone;
}

bool RecoverLocked(int fd, const struct stat& st, const fs::path& journal_path) {
  Fd journal(
      sys::Open(journal_path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!journal.ok()) return errno == ENOENT;
  struct stat js {};
  if (::fstat(journal.get(), &js) != 0 || !S_ISREG(js.st_mode) || js.st_uid != ::geteuid()) {
    return false;
  }
  JournalHeader h;
  const auto journal_size = static_cast<std::uint64_t>(js.st_size);
  bool complete = false;
  bool io_error = false;
  const bool applies =
      ReadJournalHeader(journal.get(), h, journal_size, io_error) &&
      h.dev == static_cast<std::uint64_t>(st.st_dev) &&
      h.ino == static_cast<std::uint64_t>(st.st_ino) &&
      JournalChecksumHolds(journal.get(), journal_size, io_error) &&
      MixtureOfOldAndNew(fd, journal.get(), h, static_cast<std::uint64_t>(st.st_size), complete,
                         io_error);
  // A read that failed proves nothing: the journal stays for a later open.
  if (io_error) return false;
  // Incomplete, or the file has been changed otherwise since: the file
  // stays as it is. Either way the file is whole now; a journal that could
  // not be removed is met again, and found complete, at the next open.
  if (applies && !complete && !RollForward(fd, journal.get(), h)) return false;
  RemoveJournal(journal_path);
  return true;
}

}  // namespace platform::profile_internal
