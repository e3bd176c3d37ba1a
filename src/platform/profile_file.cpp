#include "platform/profile_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/windir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// ---- Small helpers around descriptors

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

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

// Makes a rename or an unlink durable; a failure here no longer endangers
// the content, so it is not reported.
void SyncDirectory(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Replace or read what a link points to, not the link.
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

// ---- Identity of a file's state

struct FileKey {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{};
  timespec ctime{};
};

FileKey KeyOf(const struct stat& st) {
  return FileKey{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

bool operator==(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

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

// ---- The picture kept in memory: the last file read or written

class KeptProfile {
 public:
  std::shared_ptr<ProfileDocument> Find(const fs::path& path, const FileKey& key) {
    std::lock_guard<std::mutex> hold(lock_);
    if (!doc_ || !trusted_ || path_ != path || !(key_ == key)) return nullptr;
    return doc_;
  }
  void Keep(const fs::path& path, const FileKey& key, std::shared_ptr<ProfileDocument> doc,
            bool trusted) {
    std::lock_guard<std::mutex> hold(lock_);
    path_ = path;
    key_ = key;
    doc_ = std::move(doc);
    trusted_ = trusted;
  }
  void Drop(const ProfileDocument* doc) {
    std::lock_guard<std::mutex> hold(lock_);
    if (!doc || doc_.get() == doc) doc_.reset();
  }

 private:
  std::mutex lock_;
  fs::path path_;
  FileKey key_;
  std::shared_ptr<ProfileDocument> doc_;
  bool trusted_ = false;
};

KeptProfile& Kept() {
  static KeptProfile kept;
  return kept;
}

std::atomic<std::uint64_t>& ReadCount() {
  static std::atomic<std::uint64_t> count{0};
  return count;
}

// ---- Reading

enum class ReadResult { kRead, kMissing, kFailed };

// Reads a regular file and nothing else, never more than its size, and
// never with a call that can block: the name is looked at before it is
// opened, the descriptor again after. A file that changes while it is read
// is read again; one that keeps changing is given up.
ReadResult ReadRegularFile(const fs::path& path, std::string& out, FileKey& key) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0)
    return errno == ENOENT || errno == ENOTDIR ? ReadResult::kMissing : ReadResult::kFailed;
  if (!S_ISREG(st.st_mode)) return ReadResult::kFailed;
  for (int attempt = 0; attempt < 4; ++attempt) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
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
      const ssize_t n = ::read(fd.get(), out.data() + got, size - got);
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
      more = ::read(fd.get(), &extra, 1);
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

// ---- Temporary files: locked while written, removed once nobody holds them

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

// A temporary file of leaf in dir, locked; -1 with errno as mkstemp left it.
int CreateLockedTemporary(const fs::path& dir, const std::string& leaf, std::string& temp) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string name = (dir / ("." + leaf + ".XXXXXX")).string();
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
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
    ::close(fd);
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
    Fd fd(::open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.ok()) continue;
    struct stat st {};
    struct stat named {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    // A live writer holds its lock; the lock of a killed one went with it.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
    if (::lstat(p.c_str(), &named) != 0 || named.st_ino != st.st_ino || named.st_dev != st.st_dev)
      continue;
    if (::unlink(p.c_str()) == 0) ++removed;
  }
  return removed;
}

// ---- Writing

// What goes into the file: its length and a way to hand its bytes out.
struct Payload {
  std::function<std::uint64_t()> size;
  std::function<bool(const ProfileDocument::Sink&)> write;
};

Payload PayloadOf(std::string_view content) {
  return Payload{[content] { return static_cast<std::uint64_t>(content.size()); },
                 [content](const ProfileDocument::Sink& sink) { return sink(content); }};
}

Payload PayloadOf(const ProfileDocument& doc) {
  return Payload{[&doc] { return doc.SerializedSize(); },
                 [&doc](const ProfileDocument::Sink& sink) { return doc.WriteTo(sink); }};
}

constexpr std::size_t kPiece = 1 << 16;

// Writes the pieces it is handed to a descriptor, sequentially or from an
// offset, at most kPiece bytes per call. Under a full disk the first write
// stops part-way, as it would with "no space". With a hook, each call is
// preceded by the in-place step (a test's point to break the rewrite).
class FdSink {
 public:
  FdSink(int fd, off_t offset, DiskFault fault, const CommitFaultHook* hook = nullptr)
      : fd_(fd), offset_(offset), fault_(fault), hook_(hook) {}

  bool operator()(std::string_view data) {
    while (!data.empty()) {
      std::string_view piece = data.substr(0, kPiece);
      if (hook_ && *hook_) {
        const CommitFault f = (*hook_)(CommitStep::kWriteInPlace);
        if (f == CommitFault::kAbandon) {
          abandoned_ = true;
          return false;
        }
        if (f == CommitFault::kFail) {
          errno = EIO;
          return false;
        }
      }
      if (fault_ == DiskFault::kFull) {
        WriteFully(fd_, piece.substr(0, piece.size() / 2), offset_);
        errno = ENOSPC;
        return false;
      }
      if (!WriteFully(fd_, piece, offset_)) return false;
      if (offset_ >= 0) offset_ += static_cast<off_t>(piece.size());
      written_ += piece.size();
      data.remove_prefix(piece.size());
    }
    return true;
  }
  bool abandoned() const { return abandoned_; }
  std::uint64_t written() const { return written_; }

 private:
  int fd_;
  off_t offset_;
  DiskFault fault_;
  const CommitFaultHook* hook_;
  bool abandoned_ = false;
  std::uint64_t written_ = 0;
};

// A file whose write bits are all off is read-only, as Windows' attribute
// is: its content is never replaced, whoever runs the program.
bool ReadOnlyFile(const fs::path& target) {
  struct stat st {};
  return ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

// ---- The journal of an in-place rewrite

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

struct JournalHeader {
  std::uint64_t dev = 0;
  std::uint64_t ino = 0;
  std::uint64_t old_size = 0;
  std::uint64_t new_size = 0;
  std::string path;
  std::uint64_t header_size = 0;  // bytes before the new content
};

std::string JournalLeaf(dev_t dev, ino_t ino) {
  char name[64];
  std::snprintf(name, sizeof name, "%llx-%llx.journal", static_cast<unsigned long long>(dev),
                static_cast<unsigned long long>(ino));
  return name;
}

// The journal folder, made if missing; refused unless it is this user's own
// and nobody else may write into it.
bool UsableJournalDirectory(const fs::path& dir) {
  std::error_code ec;
  fs::create_directories(dir.parent_path(), ec);
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 022) == 0;
}

bool ReadJournalHeader(int fd, JournalHeader& h, std::uint64_t file_size) {
  char fixed[kMagicSize + 5 * 8];
  if (file_size < sizeof fixed + 16 || !PreadAll(fd, fixed, sizeof fixed, 0)) return false;
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
  return PreadAll(fd, h.path.data(), path_size, sizeof fixed);
}

// Reads [offset, offset + size) of fd in slices of at most kSlice bytes.
template <typename F>
bool ForEachSlice(int fd, std::uint64_t offset, std::uint64_t size, F&& visit) {
  constexpr std::size_t kSlice = 1 << 20;
  std::string buffer(static_cast<std::size_t>(std::min<std::uint64_t>(size, kSlice)), '\0');
  for (std::uint64_t at = 0; at < size;) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(size - at, kSlice));
    if (!PreadAll(fd, buffer.data(), n, static_cast<off_t>(offset + at))) return false;
    if (!visit(std::string_view(buffer.data(), n), at)) return false;
    at += n;
  }
  return true;
}

bool JournalChecksumHolds(int fd, std::uint64_t file_size) {
  Checksum sum;
  if (!ForEachSlice(fd, 0, file_size - 16, [&](std::string_view s, std::uint64_t) {
        sum.Add(s);
        return true;
      }))
    return false;
  char tail[16];
  return PreadAll(fd, tail, sizeof tail, static_cast<off_t>(file_size - 16)) &&
         GetU64(tail) == sum.Value() && std::memcmp(tail + 8, kJournalEnd, kMagicSize) == 0;
}

// Whether the file holds, at every place, a byte of the new content, of the
// old one, or a reserved zero past the old end: what a rewrite from old to
// new can leave wherever it stopped. `complete` tells whether it is the new
// content exactly.
bool MixtureOfOldAndNew(int fd, int journal, const JournalHeader& h, std::uint64_t size,
                        bool& complete) {
  const std::uint64_t longest = std::max(h.old_size, h.new_size);
  if (size != h.old_size && size != h.new_size && size != longest) return false;
  complete = size == h.new_size;
  const std::uint64_t new_at = h.header_size;
  const std::uint64_t old_at = h.header_size + h.new_size;
  std::string fresh;
  std::string stale;
  return ForEachSlice(fd, 0, size, [&](std::string_view now, std::uint64_t at) {
    const std::uint64_t n = now.size();
    const auto in_new =
        static_cast<std::size_t>(at < h.new_size ? std::min(n, h.new_size - at) : 0);
    const auto in_old =
        static_cast<std::size_t>(at < h.old_size ? std::min(n, h.old_size - at) : 0);
    fresh.resize(in_new);
    stale.resize(in_old);
    if (in_new > 0 && !PreadAll(journal, fresh.data(), in_new, static_cast<off_t>(new_at + at)))
      return false;
    if (in_old > 0 && !PreadAll(journal, stale.data(), in_old, static_cast<off_t>(old_at + at)))
      return false;
    for (std::size_t i = 0; i < n; ++i) {
      const bool is_new = i < in_new && now[i] == fresh[i];
      if (!is_new) complete = false;
      if (is_new || (i < in_old && now[i] == stale[i]) || (i >= in_old && now[i] == '\0')) continue;
      return false;
    }
    return true;
  });
}

// Writes the new content from the journal over the file and cuts it.
bool RollForward(int fd, int journal, const JournalHeader& h) {
  if (!ForEachSlice(journal, h.header_size, h.new_size, [&](std::string_view s, std::uint64_t at) {
        return WriteFully(fd, s, static_cast<off_t>(at));
      }))
    return false;
  return ::fsync(fd) == 0 && ::ftruncate(fd, static_cast<off_t>(h.new_size)) == 0 &&
         ::fsync(fd) == 0;
}

// Puts the old content from the journal back and cuts the file to it.
bool RollBack(int fd, int journal, const JournalHeader& h) {
  if (!ForEachSlice(journal, h.header_size + h.new_size, h.old_size,
                    [&](std::string_view s, std::uint64_t at) {
                      return WriteFully(fd, s, static_cast<off_t>(at));
                    }))
    return false;
  return ::fsync(fd) == 0 && ::ftruncate(fd, static_cast<off_t>(h.old_size)) == 0 &&
         ::fsync(fd) == 0;
}

void RemoveJournal(const fs::path& journal) {
  ::unlink(journal.c_str());
  SyncDirectory(journal.parent_path());
}

// Removes journals whose file is gone or is another file by now (nothing
// can complete them), and journal temporaries that no writer holds.
void RemoveOrphanJournals(const fs::path& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> journals;
  std::vector<std::string> leaves;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name = e->d_name;
    if (name.size() > 8 && name.substr(name.size() - 8) == ".journal" && name.front() != '.')
      journals.emplace_back(name);
  }
  ::closedir(d);
  for (const std::string& name : journals) {
    RemoveStaleTemporariesIn(dir, name);
    const fs::path p = dir / name;
    Fd fd(::open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (!fd.ok() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
      continue;
    JournalHeader h;
    struct stat target {};
    if (ReadJournalHeader(fd.get(), h, static_cast<std::uint64_t>(st.st_size)) &&
        ::stat(h.path.c_str(), &target) == 0 && target.st_dev == h.dev && target.st_ino == h.ino)
      continue;
    ::unlink(p.c_str());
  }
}

struct Journal {
  fs::path path;
  JournalHeader header;
  Fd fd;
};

// Records the new content and the file's old content in the journal,
// flushed and complete under its final name before it returns true.
bool WriteJournal(int target_fd, const struct stat& st, const fs::path& target,
                  const Payload& payload, std::uint64_t new_size, Journal& out) {
  const fs::path dir = JournalDirectory();
  if (!UsableJournalDirectory(dir)) return false;
  RemoveOrphanJournals(dir);
  const std::string leaf = JournalLeaf(st.st_dev, st.st_ino);
  RemoveStaleTemporariesIn(dir, leaf);
  std::string temp;
  Fd fd(CreateLockedTemporary(dir, leaf, temp));
  if (!fd.ok()) return false;
  auto fail = [&] {
    ::unlink(temp.c_str());
    return false;
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
  if (!sink(tail) || ::fsync(fd.get()) != 0) return fail();
  out.path = dir / leaf;
  if (::rename(temp.c_str(), out.path.c_str()) != 0) return fail();
  SyncDirectory(dir);
  out.fd.Reset(fd.Release());
  return true;
}

// Waits a little for another writer of ours that holds the file; false
// when it does not let go (the save then fails rather than block).
bool LockFile(int fd) {
  for (int i = 0; i < 200; ++i) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// With the file open and locked: completes the rewrite a journal records.
bool RecoverLocked(int fd, const struct stat& st, const fs::path& journal_path) {
  Fd journal(
      ::open(journal_path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!journal.ok()) return errno == ENOENT;
  struct stat js {};
  if (::fstat(journal.get(), &js) != 0 || !S_ISREG(js.st_mode) || js.st_uid != ::geteuid()) {
    return false;
  }
  JournalHeader h;
  const auto journal_size = static_cast<std::uint64_t>(js.st_size);
  bool complete = false;
  if (!ReadJournalHeader(journal.get(), h, journal_size) ||
      h.dev != static_cast<std::uint64_t>(st.st_dev) ||
      h.ino != static_cast<std::uint64_t>(st.st_ino) ||
      !JournalChecksumHolds(journal.get(), journal_size) ||
      !MixtureOfOldAndNew(fd, journal.get(), h, static_cast<std::uint64_t>(st.st_size), complete)) {
    // Incomplete, or the file has been changed otherwise since: the file
    // stays as it is.
    RemoveJournal(journal_path);
    return true;
  }
  if (!complete && !RollForward(fd, journal.get(), h)) return false;
  RemoveJournal(journal_path);
  return true;
}

// Rewrites a writable file in place, for a directory that refuses new
// files: reserve room (invisible to readers), journal the old and the new
// content, overwrite, flush, cut to the new length, drop the journal. A
// failure before the overwrite leaves the old bytes (and length) as they
// were; a failure during it puts them back from the journal; a kill during
// it is completed at the next open.
bool RewriteInPlace(const fs::path& target, const Payload& payload, DiskFault disk,
                    const CommitFaultHook& hook, struct stat& final_state) {
  auto fault = [&hook](CommitStep step) { return hook ? hook(step) : CommitFault::kProceed; };
  // A (simulated) full disk can take neither the reserve nor the journal.
  if (disk == DiskFault::kFull) return false;
  Fd fd(::open(target.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.ok()) return false;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || !LockFile(fd.get())) return false;
  // A rewrite that a killed writer left goes first.
  const fs::path pending = JournalDirectory() / JournalLeaf(st.st_dev, st.st_ino);
  if (::access(pending.c_str(), F_OK) == 0) {
    if (!RecoverLocked(fd.get(), st, pending) || ::fstat(fd.get(), &st) != 0) return false;
  }
  const std::uint64_t old_size = static_cast<std::uint64_t>(st.st_size);
  const std::uint64_t new_size = payload.size();
  if (new_size > ProfileDocument::kMaxBytes * 2) return false;
  bool zero_fill = false;
  if (new_size > old_size &&
      ::fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, static_cast<off_t>(old_size),
                  static_cast<off_t>(new_size - old_size)) != 0) {
    if (errno != EOPNOTSUPP && errno != ENOSYS) return false;
    zero_fill = true;
  }
  CommitFault f = fault(CommitStep::kWriteJournal);
  if (f != CommitFault::kProceed) return false;
  Journal journal;
  if (!WriteJournal(fd.get(), st, target, payload, new_size, journal)) return false;
  auto undo = [&] {
    if (RollBack(fd.get(), journal.fd.get(), journal.header)) RemoveJournal(journal.path);
    return false;
  };
  if (zero_fill) {
    // Where the file system cannot reserve, zeros after the old end do.
    const std::string zeros(
        static_cast<std::size_t>(std::min<std::uint64_t>(new_size - old_size, 1 << 20)), '\0');
    for (std::uint64_t at = old_size; at < new_size;) {
      const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(new_size - at, zeros.size()));
      if (!WriteFully(fd.get(), std::string_view(zeros.data(), n), static_cast<off_t>(at)))
        return undo();
      at += n;
    }
  }
  FdSink sink(fd.get(), 0, disk, &hook);
  if (!payload.write(std::ref(sink))) {
    if (sink.abandoned()) return false;
    return undo();
  }
  f = fault(CommitStep::kCutToLength);
  if (f == CommitFault::kAbandon) return false;
  if (f == CommitFault::kFail || ::fsync(fd.get()) != 0 ||
      ::ftruncate(fd.get(), static_cast<off_t>(new_size)) != 0 || ::fsync(fd.get()) != 0)
    return undo();
  f = fault(CommitStep::kRemoveJournal);
  if (f == CommitFault::kAbandon) return false;
  RemoveJournal(journal.path);
  return ::fstat(fd.get(), &final_state) == 0;
}

// Replaces target with the payload: atomically where the directory takes a
// new file, in place where it does not. final_state is the new file's.
bool Replace(const fs::path& target_path, const Payload& payload, const CommitFaultHook& fault_hook,
             struct stat& final_state) {
  auto fault = [&fault_hook](CommitStep step) {
    return fault_hook ? fault_hook(step) : CommitFault::kProceed;
  };
  std::error_code ec;
  const fs::path target = ResolveTarget(target_path);
  const fs::path dir = DirectoryOf(target);
  const DiskFault disk = DiskFaultFor(target);
  if (disk == DiskFault::kReadOnly || ReadOnlyFile(target)) return false;
  fs::create_directories(dir, ec);
  if (ec) return false;
  const std::string leaf = target.filename().string();
  RemoveStaleTemporariesIn(dir, leaf);

  const CommitFault at_create = fault(CommitStep::kCreateTemp);
  if (at_create == CommitFault::kFail || at_create == CommitFault::kAbandon) return false;
  std::string temp;
  errno = EACCES;
  const bool refuse = at_create == CommitFault::kRefuse || disk == DiskFault::kNoNewFiles;
  Fd fd(refuse ? -1 : CreateLockedTemporary(dir, leaf, temp));
  if (!fd.ok()) {
    // A directory that takes no new files may still hold a writable file.
    const bool refused = errno == EACCES || errno == EPERM || errno == EROFS;
    struct stat st {};
    return refused && ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           RewriteInPlace(target, payload, disk, fault_hook, final_state);
  }

  auto fail = [&](bool clean_up) {
    if (clean_up) ::unlink(temp.c_str());
    return false;
  };
  struct stat old_state {};
  const mode_t mode = ::stat(target.c_str(), &old_state) == 0 ? (old_state.st_mode & 07777) : 0644;
  if (::fchmod(fd.get(), mode) != 0) return fail(true);

  CommitFault f = fault(CommitStep::kWriteTemp);
  if (f == CommitFault::kAbandon) return fail(false);
  FdSink sink(fd.get(), -1, disk);
  if (f == CommitFault::kFail || !payload.write(std::ref(sink))) return fail(true);
  f = fault(CommitStep::kSyncTemp);
  if (f == CommitFault::kAbandon) return fail(false);
  if (f == CommitFault::kFail || ::fsync(fd.get()) != 0) return fail(true);
  f = fault(CommitStep::kReplace);
  if (f == CommitFault::kAbandon) return false;
  if (f == CommitFault::kFail || ::rename(temp.c_str(), target.c_str()) != 0) return fail(true);
  SyncDirectory(dir);
  // The content is on disk under its name; what close says no longer matters.
  return ::fstat(fd.get(), &final_state) == 0;
}

ReplaceListener& Listener() {
  static ReplaceListener listener;
  return listener;
}

}  // namespace

void SetReplaceListener(ReplaceListener listener) {
  Listener() = std::move(listener);
}

bool ReplaceFileAtomically(const fs::path& target, std::string_view content,
                           const CommitFaultHook& fault_hook) {
  struct stat st {};
  return Replace(target, PayloadOf(content), fault_hook, st);
}

bool RecoverInterruptedRewrite(const fs::path& target_path) {
  const fs::path target = ResolveTarget(target_path);
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return true;
  const fs::path journal = JournalDirectory() / JournalLeaf(st.st_dev, st.st_ino);
  if (::access(journal.c_str(), F_OK) != 0) return true;
  const DiskFault disk = DiskFaultFor(target);
  if (disk == DiskFault::kReadOnly || disk == DiskFault::kFull) return false;
  Fd fd(::open(target.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.ok()) return false;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // A writer of ours that still holds the file is at work and finishes it.
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return false;
  return RecoverLocked(fd.get(), st, journal);
}

std::size_t RemoveStaleTemporaries(const fs::path& target_path) {
  const fs::path target = ResolveTarget(target_path);
  std::size_t removed = 0;
  // Journals being written when their writer was killed.
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0)
    removed += RemoveStaleTemporariesIn(JournalDirectory(), JournalLeaf(st.st_dev, st.st_ino));
  if (DiskFaultFor(target) == DiskFault::kReadOnly) return removed;
  return removed + RemoveStaleTemporariesIn(DirectoryOf(target), target.filename().string());
}

void ForgetKeptProfile() {
  Kept().Drop(nullptr);
}

std::uint64_t ProfileFileReads() {
  return ReadCount();
}

// ---- ProfileFile

ProfileFile::ProfileFile(fs::path path) : path_(std::move(path)) {
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    RecoverInterruptedRewrite(path_);
    if (::stat(path_.c_str(), &st) == 0) {
      if (auto kept = Kept().Find(path_, KeyOf(st))) {
        doc_ = std::move(kept);
        exists_ = true;
        return;
      }
    }
  }
  std::string content;
  FileKey key;
  const ReadResult read = ReadRegularFile(path_, content, key);
  readable_ = read != ReadResult::kFailed;
  exists_ = read != ReadResult::kMissing;
  if (read != ReadResult::kRead) {
    doc_ = std::make_shared<ProfileDocument>();
    return;
  }
  RemoveStaleTemporaries(path_);
  try {
    doc_ = std::make_shared<ProfileDocument>(ProfileDocument::ParseOwned(std::move(content)));
  } catch (const std::bad_alloc&) {
    readable_ = false;
    doc_ = std::make_shared<ProfileDocument>();
    return;
  }
  ++ReadCount();
  Kept().Keep(path_, key, doc_, SettledKey(key));
}

ProfileDocument& ProfileFile::Edit() {
  if (shared_) {
    // The kept picture is about to differ from the file; whoever else holds
    // it keeps theirs unchanged.
    Kept().Drop(doc_.get());
    if (doc_.use_count() > 1) doc_ = std::make_shared<ProfileDocument>(*doc_);
    shared_ = false;
  }
  return *doc_;
}

void ProfileFile::Note(ProfileEdit edit) {
  if (edit == ProfileEdit::kChanged) dirty_ = true;
}

bool ProfileFile::Write(std::string_view section, std::string_view key, std::string_view value) {
  if (!ProfileDocument::IsValidName(section) || !ProfileDocument::IsValidName(key) ||
      !ProfileDocument::IsValidValue(value))
    return false;
  if (doc_->Holds(section, key, value)) return true;
  Note(Edit().Write(section, key, value));
  return true;
}

void ProfileFile::EraseKey(std::string_view section, std::string_view key) {
  if (doc_->HasKey(section, key)) Note(Edit().EraseKey(section, key));
}

void ProfileFile::EraseSection(std::string_view section) {
  if (doc_->HasSection(section)) Note(Edit().EraseSection(section));
}

bool ProfileFile::Commit() {
  if (!dirty_) return true;
  if (!readable_) return false;
  struct stat st {};
  if (!Replace(path_, PayloadOf(*doc_), fault_hook_, st)) return false;
  if (Listener()) Listener()(path_, doc_->Serialize());
  dirty_ = false;
  exists_ = true;
  // What was just written is what the file holds: kept, and shared again.
  Kept().Keep(path_, KeyOf(st), doc_, true);
  shared_ = true;
  return true;
}

}  // namespace platform
