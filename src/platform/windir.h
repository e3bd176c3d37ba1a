#pragma once
// The stand-in Windows directory: where bare file names ("Vozururo.ini") and
// the driver's stored configuration live. $XDG_CONFIG_HOME/morva/, default
// ~/.config/morva/; tests and the scenario runner point it elsewhere.
#include <filesystem>

namespace platform {

std::filesystem::path WindowsDirectory();
// Overrides the directory for this process (empty path: back to the default).
void SetWindowsDirectory(const std::filesystem::path& dir);

// A disk fault of the Windows directory, for trials of the fault paths:
// kReadOnly refuses new files and every write, kFull lets every write stop
// part-way with "no space".
enum class DiskFault { kNone, kReadOnly, kFull };
void SetWindowsDirectoryFault(DiskFault fault);
// The fault in force for a file at path (none outside the directory).
DiskFault DiskFaultFor(const std::filesystem::path& path);

}  // namespace platform
