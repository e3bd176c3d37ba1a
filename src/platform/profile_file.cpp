#include "platform/profile_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <new>

#include "platform/lasting.h"
#include "platform/profile_io.h"
#include "platform/profile_journal.h"
#include "platform/profile_read.h"
#include "platform/profile_temp.h"
#include "platform/profile_write.h"
#include "platform/windir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using profile_internal::CheckJournalFolder;
using profile_internal::DirectoryOf;
using profile_internal::Fd;
using profile_internal::FileKey;
using profile_internal::JournalLeaf;
using profile_internal::KeyOf;
using profile_internal::PayloadOf;
using profile_internal::ReadRegularFile;
using profile_internal::ReadResult;
using profile_internal::RecoverLocked;
using profile_internal::RemoveStaleTemporariesIn;
using profile_internal::Replace;
using profile_internal::ResolveTarget;
using profile_internal::SettledKey;

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
  static Lasting<KeptProfile> kept;
  return kept.get();
}

std::atomic<std::uint64_t>& ReadCount() {
  static std::atomic<std::uint64_t> count{0};
  return count;
}

ReplaceListener& Listener() {
  static Lasting<ReplaceListener> listener;
  return listener.get();
}

}  // namespace

void SetReplaceListener(ReplaceListener listener) {
  Listener() = std::move(listener);
}

bool ReplaceFileAtomically(const fs::path& target, std::string_view content,
                           const CommitFaultHook& fault_hook) {
  struct stat st {};
  return Replace(target, PayloadOf(content), fault_hook, st) == CommitError::kNone;
}

bool RecoverInterruptedRewrite(const fs::path& target_path) {
  const fs::path target = ResolveTarget(target_path);
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return true;
  // What lies in a folder that is not this user's own is nobody's journal.
  const fs::path dir = JournalDirectory();
  if (CheckJournalFolder(dir, false) != CommitError::kNone) return true;
  const fs::path journal = dir / JournalLeaf(st.st_dev, st.st_ino);
  if (::access(journal.c_str(), F_OK) != 0) return errno == ENOENT || errno == ENOTDIR;
  const DiskFault disk = DiskFaultFor(target);
  if (disk == DiskFault::kReadOnly || disk == DiskFault::kFull) return false;
  Fd fd(profile_internal::sys::Open(target.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
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
    if (!RecoverInterruptedRewrite(path_)) {
      // The file may be torn until its rewrite is completed: it is neither
      // presented as the settings nor written over.
      rewrite_pending_ = true;
      readable_ = false;
      exists_ = true;
      doc_ = std::make_shared<ProfileDocument>();
      return;
    }
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
  if (!readable_) {
    error_ = rewrite_pending_ ? CommitError::kJournalPending : CommitError::kUnreadable;
    return false;
  }
  error_ = CommitError::kNone;
  if (!dirty_) return true;
  struct stat st {};
  error_ = Replace(path_, PayloadOf(*doc_), fault_hook_, st);
  if (error_ != CommitError::kNone) return false;
  if (Listener()) Listener()(path_, doc_->Serialize());
  dirty_ = false;
  exists_ = true;
  // What was just written is what the file holds: kept, and shared again.
  Kept().Keep(path_, KeyOf(st), doc_, true);
  shared_ = true;
  return true;
}

}  // namespace platform
