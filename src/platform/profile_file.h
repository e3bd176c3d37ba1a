#pragma once
// One operation on an initialisation file: the file is read once when the
// session opens, every read and edit works on that picture, and Commit()
// replaces the file once.
//
// Reading: only a regular file is read (a link to one is followed). A FIFO,
// a device, a socket or a directory under the file's name is never opened
// for reading, so nothing blocks and nothing endless is read; such a file,
// like one larger than ProfileDocument::kMaxBytes or one that cannot be
// read, makes an unreadable session, which reads as empty and never writes.
//
// The last file read or written stays in memory, as Windows keeps it: a
// session whose file is still the same (device, inode, size, modification
// and change time) shares that picture instead of reading the file again.
// A picture read while the file was only just modified (a same-size change
// could hide within the file system's time stamp tick) is read again once.
//
// Writing: the replacement is atomic (a temporary file in the same
// directory, flushed to disk, renamed over the old one), so a crash or a
// full disk at any moment leaves either the old or the new file on disk.
// The temporary file is locked while it is written; a temporary file that
// nobody holds any more (its writer was killed) is removed by the next
// session that reads or writes the file. A file without write permission is
// never replaced. Where the directory takes no new files but the file is
// writable, the file is rewritten in place under a journal (see
// RecoverInterruptedRewrite): room is reserved first, so a full disk leaves
// it as it was, and a rewrite that is killed part-way is completed when the
// file is next opened.
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile_document.h"

namespace platform {

// The steps of replacing the file, in order.
enum class CommitStep {
  kCreateTemp,
  kWriteTemp,
  kSyncTemp,
  kReplace,
  // The in-place rewrite, where the directory takes no new files:
  kWriteJournal,   // before the journal is written
  kWriteInPlace,   // before each piece (at most 64 KiB) of the new content
  kCutToLength,    // before the file is flushed and cut to its new length
  kRemoveJournal,  // before the finished rewrite's journal is removed
};

enum class CommitFault {
  kProceed,
  kFail,     // the step fails as a full disk or an I/O error would
  kAbandon,  // the process dies before the step: nothing is cleaned up
  kRefuse,   // at kCreateTemp: the directory takes no new files (no write permission)
};

// Asked before each step; lets tests break a commit at any point.
using CommitFaultHook = std::function<CommitFault(CommitStep)>;

// Why a commit did not put the session's picture on disk.
enum class CommitError {
  kNone,
  kWrite,           // a call failed, the disk is full or read-only, or the file is read-only
  kUnreadable,      // the file could not be read, so it is never written over
  kJournalPending,  // an interrupted rewrite of the file cannot be completed now
  // The folder of the in-place rewrite's journal is not this user's own:
  kJournalFolderNotFolder,  // a link, a file or anything else but a folder
  kJournalFolderForeign,    // owned by another user
  kJournalFolderOpen,       // others may enter or write it
};

// The system calls the store makes, each of which a trial can fail.
enum class FileCall {
  kOpen,
  kRead,  // read and pread
  kWrite,
  kPwrite,
  kFsync,
  kRename,
  kFtruncate,
  kUnlink,
  kClose,
  kMkdir,
  kFallocate,
};
// What a call does instead: fail with error (an errno value), or move
// fewer bytes than asked (reads and writes only). Neither: it runs.
struct FileCallOutcome {
  int error = 0;
  bool short_count = false;
};
// Asked before every such call of the store, in any thread; empty: none.
using FileCallHook = std::function<FileCallOutcome(FileCall)>;
void SetFileCallHook(FileCallHook hook);

class ProfileFile {
 public:
  // Reads the file now (or takes the picture kept in memory when the file
  // has not changed). A missing file (or directory) reads as an empty one.
  explicit ProfileFile(std::filesystem::path path);

  const std::filesystem::path& path() const { return path_; }
  // False when the file exists but could not be read, or when an
  // interrupted rewrite of it could not be completed (its bytes may be
  // torn). Such a session reads as empty and never writes, so the unread
  // file is never overwritten.
  bool readable() const { return readable_; }
  // An interrupted rewrite of the file is pending and could not be
  // completed now; the session is then unreadable.
  bool rewrite_pending() const { return rewrite_pending_; }
  // False when there was no file to read.
  bool exists() const { return exists_; }
  bool dirty() const { return dirty_; }
  const ProfileDocument& document() const { return *doc_; }

  std::optional<std::string> Read(std::string_view section, std::string_view key) const {
    return doc_->Read(section, key);
  }
  bool HasSection(std::string_view section) const { return doc_->HasSection(section); }
  std::vector<std::string> SectionNames() const { return doc_->SectionNames(); }
  std::vector<std::string> KeyNames(std::string_view section) const {
    return doc_->KeyNames(section);
  }

  // False when refused (a name or value that would break the file's lines).
  bool Write(std::string_view section, std::string_view key, std::string_view value);
  void EraseKey(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);
  // Makes Commit() create the file, empty, where there was none.
  void CreateIfMissing() {
    if (!exists_) dirty_ = true;
  }

  // Replaces the file when something changed. True when the file on disk now
  // holds this session's picture (or nothing needed writing); an unreadable
  // session always fails, as its picture is not the file's.
  bool Commit();
  // Why the last Commit() failed.
  CommitError error() const { return error_; }

  void set_fault_hook(CommitFaultHook hook) { fault_hook_ = std::move(hook); }

 private:
  void Note(ProfileEdit edit);
  ProfileDocument& Edit();

  std::filesystem::path path_;
  // Shared with the picture kept in memory and other sessions until the
  // first edit, which takes a copy of its own (or the kept one, when nobody
  // else holds it).
  std::shared_ptr<ProfileDocument> doc_;
  bool shared_ = true;
  bool readable_ = true;
  bool rewrite_pending_ = false;
  bool exists_ = false;
  CommitError error_ = CommitError::kNone;
  bool dirty_ = false;
  CommitFaultHook fault_hook_;
};

// Told the content of every file the store has just replaced, for trials
// that must know every state a file passes through. Empty: nobody is told.
using ReplaceListener = std::function<void(const std::filesystem::path&, std::string_view)>;
void SetReplaceListener(ReplaceListener listener);

// Writes `content` to `target` atomically; false (and the old file intact)
// on any failure. Creates the directory when it is missing.
bool ReplaceFileAtomically(const std::filesystem::path& target, std::string_view content,
                           const CommitFaultHook& fault_hook = {});

// The in-place rewrite keeps a journal in JournalDirectory() while it runs:
// the file's identity (device, inode, path), the new content and the old
// content, with a checksum, flushed to disk before the file's first byte
// changes and removed once the file is complete. Opening the file runs
// this: a journal whose file still holds old bytes, new bytes or a mixture
// of the two at their places (what a rewrite that was killed part-way
// leaves) is completed to the new content; a journal whose file has been
// changed otherwise since, or that is incomplete, is dropped and the file
// left as it is. False when a journal is pending but could not be applied
// now (a writer of the file is still at work, the file cannot be written,
// or the journal cannot be read).
bool RecoverInterruptedRewrite(const std::filesystem::path& target);

// Removes the temporary files that the store's writers of target left in
// its directory and that no live writer holds; returns how many.
std::size_t RemoveStaleTemporaries(const std::filesystem::path& target);

// Forgets the picture kept in memory, so that the next session reads the
// file again (WritePrivateProfileStringA(NULL, NULL, NULL, file)).
void ForgetKeptProfile();

// How many times a file has actually been read and parsed in this process
// (not taken from memory), for tests and measurements.
std::uint64_t ProfileFileReads();

}  // namespace platform
