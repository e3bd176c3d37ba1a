#pragma once
// Reading the settings file: a regular file only, never with a call that
// can block. Internal to the settings store.
#include <filesystem>
#include <string>

#include "platform/profile_io.h"

namespace platform::profile_internal {

enum class ReadResult { kRead, kMissing, kFailed };

// Reads a regular file and nothing else, never more than its size, and
// never with a call that can block: the name is looked at before it is
// opened, the descriptor again after. A file that changes while it is read
// is read again; one that keeps changing is given up.
ReadResult ReadRegularFile(const std::filesystem::path& path, std::string& out, FileKey& key);

}  // namespace platform::profile_internal
