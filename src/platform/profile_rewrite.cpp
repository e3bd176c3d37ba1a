#include "platform/profile_rewrite.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/profile_io.h"
#include "platform/profile_journal.h"
#include "platform/profile_write.h"

namespace platform::profile_internal {

namespace fs = std::filesystem;

namespace {

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

}  // namespace

CommitError RewriteInPlace(const fs::path& target, const Payload& payload, DiskFault disk,
                           const CommitFaultHook& hook, struct stat& final_state) {
  auto fault = [&hook](CommitStep step) { return hook ? hook(step) : CommitFault::kProceed; };
  constexpr CommitError kFailed = CommitError::kWrite;
  // A (simulated) full disk can take neither the reserve nor the journal.
  if (disk == DiskFault::kFull) return kFailed;
  Fd fd(sys::Open(target.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.ok()) return kFailed;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || !LockFile(fd.get())) return kFailed;
  // A rewrite that a killed writer left goes first; while it cannot be
  // completed, nothing is written over the file.
  const fs::path pending = JournalDirectory() / JournalLeaf(st.st_dev, st.st_ino);
  if (::access(pending.c_str(), F_OK) == 0) {
    if (!RecoverLocked(fd.get(), st, pending)) return CommitError::kJournalPending;
    if (::fstat(fd.get(), &st) != 0) return kFailed;
  }
  const std::uint64_t old_size = static_cast<std::uint64_t>(st.st_size);
  const std::uint64_t new_size = payload.size();
  if (new_size > ProfileDocument::kMaxBytes * 2) return kFailed;
  bool zero_fill = false;
  if (new_size > old_size &&
      sys::Fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, static_cast<off_t>(old_size),
                     static_cast<off_t>(new_size - old_size)) != 0) {
    if (errno != EOPNOTSUPP && errno != ENOSYS) return kFailed;
    zero_fill = true;
  }
  CommitFault f = fault(CommitStep::kWriteJournal);
  if (f != CommitFault::kProceed) return kFailed;
  Journal journal;
  if (const CommitError e = WriteJournal(fd.get(), st, target, payload, new_size, journal);
      e != CommitError::kNone)
    return e;
  // Puts the old bytes back: the save failed. Where even that fails, the
  // save stands: its journal is on disk, and the next open completes the
  // file from it (or, while it cannot, says so and does not read it).
  auto undo = [&] {
    if (RollBack(fd.get(), journal.fd.get(), journal.header)) {
      RemoveJournal(journal.path);
      return kFailed;
    }
    return ::fstat(fd.get(), &final_state) == 0 ? CommitError::kNone : kFailed;
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
    if (sink.abandoned()) return kFailed;
    return undo();
  }
  f = fault(CommitStep::kCutToLength);
  if (f == CommitFault::kAbandon) return kFailed;
  if (f == CommitFault::kFail || sys::Fsync(fd.get()) != 0 ||
      sys::Ftruncate(fd.get(), static_cast<off_t>(new_size)) != 0 || sys::Fsync(fd.get()) != 0)
    return undo();
  f = fault(CommitStep::kRemoveJournal);
  if (f == CommitFault::kAbandon) return kFailed;
  // The file is complete; a journal that stays is found complete, and
  // removed, at the next open.
  RemoveJournal(journal.path);
  return ::fstat(fd.get(), &final_state) == 0 ? CommitError::kNone : kFailed;
}

}  // namespace platform::profile_internal
