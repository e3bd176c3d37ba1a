#pragma once
// The stand-in Windows directory: where bare file names ("Vozururo.ini") and
// the driver's stored configuration live. $XDG_CONFIG_HOME/morva/, default
// ~/.config/morva/; tests and the scenario runner point it elsewhere.
#include <filesystem>

namespace platform {

std::filesystem::path WindowsDirectory();
// Overrides the directory for this process (empty path: back to the default).
void SetWindowsDirectory(const std::filesystem::path& dir);

}  // namespace platform
