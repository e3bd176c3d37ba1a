#pragma once
// The in-place rewrite, for a directory that takes no new files while the
// file itself is writable. Internal to the settings store.
#include <sys/stat.h>

#include <filesystem>

#include "platform/profile_file.h"
#include "platform/windir.h"

namespace platform::profile_internal {

struct Payload;

// Rewrites a writable file in place, for a directory that refuses new
// files: reserve room (invisible to readers), journal the old and the new
// content, overwrite, flush, cut to the new length, drop the journal. A
// failure before the overwrite leaves the old bytes (and length) as they
// were; a failure during it puts them back from the journal; a kill during
// it is completed at the next open.
// Fails with kJournalPending while an earlier rewrite's journal cannot be
// completed, and with the journal folder's fault when it is not this
// user's own.
CommitError RewriteInPlace(const std::filesystem::path& target, const Payload& payload,
                           DiskFault disk, const CommitFaultHook& hook, struct stat& final_state);

}  // namespace platform::profile_internal
