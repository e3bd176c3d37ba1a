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
// part-way with "no space", kNoNewFiles refuses new files but lets existing
// files be written (the settings file is then rewritten in place).
enum class DiskFault { kNone, kReadOnly, kFull, kNoNewFiles };
void SetWindowsDirectoryFault(DiskFault fault);
// The fault in force for a file at path (none outside the directory).
DiskFault DiskFaultFor(const std::filesystem::path& path);

// Where the settings store keeps the record of an in-place rewrite while it
// runs (the Windows directory may refuse new files just then). It must
// outlive a reboot, which empties the temporary folders: this user's state
// folder, $XDG_STATE_HOME/morva, default ~/.local/state/morva, whatever
// TMPDIR says; unless overridden (empty path: back to the default).
std::filesystem::path JournalDirectory();
void SetJournalDirectory(const std::filesystem::path& dir);

}  // namespace platform
