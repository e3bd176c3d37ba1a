#pragma once
// The driver's files are replaced whole and durably: the new bytes go to a
// temporary file beside the old one, reach the disk, and only then take its
// name; the folder's entry is flushed too. A crash or a full disk at any
// moment leaves the old file or the new one, never a torn or empty one.
#include <cstdint>
#include <filesystem>
#include <span>

namespace sim {

// Makes the folder when it is missing. False when the file cannot be
// replaced; the old one is then left as it was.
bool ReplaceFileDurably(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

}  // namespace sim
