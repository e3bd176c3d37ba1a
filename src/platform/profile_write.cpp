#include "platform/profile_write.h"

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "platform/profile_rewrite.h"
#include "platform/profile_temp.h"

namespace platform::profile_internal {

namespace fs = std::filesystem;

Payload PayloadOf(std::string_view content) {
  return Payload{[content] { return static_cast<std::uint64_t>(content.size()); },
                 [content](const ProfileDocument::Sink& sink) { return sink(content); }};
}

Payload PayloadOf(const ProfileDocument& doc) {
  return Payload{[&doc] { return doc.SerializedSize(); },
                 [&doc](const ProfileDocument::Sink& sink) { return doc.WriteTo(sink); }};
}

bool ReadOnlyFile(const fs::path& target) {
  struct stat st {};
  return ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

CommitError Replace(const fs::path& target_path, const Payload& payload,
                    const CommitFaultHook& fault_hook, struct stat& final_state) {
  auto fault = [&fault_hook](CommitStep step) {
    return fault_hook ? fault_hook(step) : CommitFault::kProceed;
  };
  constexpr CommitError kFailed = CommitError::kWrite;
  const fs::path target = ResolveTarget(target_path);
  const fs::path dir = DirectoryOf(target);
  const DiskFault disk = DiskFaultFor(target);
  if (disk == DiskFault::kReadOnly || ReadOnlyFile(target)) return kFailed;
  if (!MakeDirectories(dir, 0777)) return kFailed;
  // Never replaced while an interrupted rewrite of it is pending: the
  // journal would complete it over the new file at the next open.
  if (!RecoverInterruptedRewrite(target)) return CommitError::kJournalPending;
  const std::string leaf = target.filename().string();
  RemoveStaleTemporariesIn(dir, leaf);

  const CommitFault at_create = fault(CommitStep::kCreateTemp);
  if (at_create == CommitFault::kFail || at_create == CommitFault::kAbandon) return kFailed;
  std::string temp;
  errno = EACCES;
  const bool refuse = at_create == CommitFault::kRefuse || disk == DiskFault::kNoNewFiles;
  Fd fd(refuse ? -1 : CreateLockedTemporary(dir, leaf, temp));
  if (!fd.ok()) {
    // A directory that takes no new files may still hold a writable file.
    const bool refused = errno == EACCES || errno == EPERM || errno == EROFS;
    struct stat st {};
    if (!refused || ::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return kFailed;
    return RewriteInPlace(target, payload, disk, fault_hook, final_state);
  }

  // The temporary file goes on every failure but a simulated kill.
  auto fail = [&](bool clean_up) {
    if (clean_up) RemoveLeftover(temp);
    return kFailed;
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
  if (f == CommitFault::kFail || sys::Fsync(fd.get()) != 0) return fail(true);
  f = fault(CommitStep::kReplace);
  if (f == CommitFault::kAbandon) return kFailed;
  if (f == CommitFault::kFail || sys::Rename(temp.c_str(), target.c_str()) != 0) return fail(true);
  // The content is on disk under its name; neither the folder's flush nor
  // what close says changes that now.
  SyncDirectory(dir);
  return ::fstat(fd.get(), &final_state) == 0 ? CommitError::kNone : kFailed;
}

}  // namespace platform::profile_internal
