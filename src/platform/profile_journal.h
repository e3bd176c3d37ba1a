#pragma once
// The journal of an in-place rewrite, and the recovery of a rewrite that
// was killed part-way (see RecoverInterruptedRewrite). Internal to the
// settings store.
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/profile_file.h"
#include "platform/profile_io.h"

namespace platform::profile_internal {

struct Payload;

// What a journal records before the new content.
struct JournalHeader {
  std::uint64_t dev = 0;
  std::uint64_t ino = 0;
  std::uint64_t old_size = 0;
  std::uint64_t new_size = 0;
  std::string path;
  std::uint64_t header_size = 0;  // bytes before the new content
};

// The journal's name in JournalDirectory(): the file's device and inode.
std::string JournalLeaf(dev_t dev, ino_t ino);

// A journal written and in place, still open.
struct Journal {
  std::filesystem::path path;
  JournalHeader header;
  Fd fd;
};

// Checks that the journal folder is this user's own: a folder, not a link,
// owned by this user, closed to others. With create, makes it (and its
// missing parents) 0700 first; without, a missing folder passes.
CommitError CheckJournalFolder(const std::filesystem::path& dir, bool create);

// Records the new content and the file's old content in the journal,
// flushed and complete under its final name before it returns kNone.
CommitError WriteJournal(int target_fd, const struct stat& st, const std::filesystem::path& target,
                         const Payload& payload, std::uint64_t new_size, Journal& out);

// Puts the old content from the journal back and cuts the file to it.
bool RollBack(int fd, int journal, const JournalHeader& h);

// Removes a journal, durably; false when it is still there.
bool RemoveJournal(const std::filesystem::path& journal);

// With the file open and locked: completes the rewrite a journal records.
// False when it is still pending (a call failed, or the journal could not
// be read).
bool RecoverLocked(int fd, const struct stat& st, const std::filesystem::path& journal_path);

}  // namespace platform::profile_internal
