#pragma once
// One operation on an initialisation file: the file is read once when the
// session opens, every read and edit works on that picture, and Commit()
// replaces the file once. The replacement is atomic (a temporary file in the
// same directory, flushed to disk, renamed over the old one), so a crash or a
// full disk at any moment leaves either the old or the new file on disk.
// A file without write permission is never replaced. Where the directory
// takes no new files but the file is writable, the file is rewritten in
// place: room is reserved first, so a full disk leaves it as it was.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile_document.h"

namespace platform {

// The steps of replacing the file, in order.
enum class CommitStep { kCreateTemp, kWriteTemp, kSyncTemp, kReplace };

enum class CommitFault {
  kProceed,
  kFail,     // the step fails as a full disk or an I/O error would
  kAbandon,  // the process dies before the step: nothing is cleaned up
  kRefuse,   // at kCreateTemp: the directory takes no new files (no write permission)
};

// Asked before each step; lets tests break a commit at any point.
using CommitFaultHook = std::function<CommitFault(CommitStep)>;

class ProfileFile {
 public:
  // Reads the file now. A missing file (or directory) reads as an empty one.
  explicit ProfileFile(std::filesystem::path path);

  const std::filesystem::path& path() const { return path_; }
  // False when the file exists but could not be read. Such a session reads
  // as empty and never writes, so the unread file is never overwritten.
  bool readable() const { return readable_; }
  // False when there was no file to read.
  bool exists() const { return exists_; }
  bool dirty() const { return dirty_; }

  std::optional<std::string> Read(std::string_view section, std::string_view key) const {
    return doc_.Read(section, key);
  }
  bool HasSection(std::string_view section) const { return doc_.HasSection(section); }
  std::vector<std::string> SectionNames() const { return doc_.SectionNames(); }
  std::vector<std::string> KeyNames(std::string_view section) const {
    return doc_.KeyNames(section);
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
  // holds this session's picture (or nothing needed writing).
  bool Commit();

  void set_fault_hook(CommitFaultHook hook) { fault_hook_ = std::move(hook); }

 private:
  void Note(ProfileEdit edit);

  std::filesystem::path path_;
  ProfileDocument doc_;
  bool readable_ = true;
  bool exists_ = false;
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

}  // namespace platform
