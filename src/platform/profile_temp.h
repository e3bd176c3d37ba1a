#pragma once
// Temporary files of the settings store: locked while they are written,
// removed once nobody holds them. Internal to the settings store.
#include <cstddef>
#include <filesystem>
#include <string>

namespace platform::profile_internal {

// A temporary file of leaf in dir, locked; -1 with errno as mkstemp left it.
int CreateLockedTemporary(const std::filesystem::path& dir, const std::string& leaf,
                          std::string& temp);
// Removes the temporary files of leaf in dir that no live writer holds;
// returns how many.
std::size_t RemoveStaleTemporariesIn(const std::filesystem::path& dir, const std::string& leaf);

}  // namespace platform::profile_internal
