#include "platform/windir.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/lasting.h"

namespace platform {
namespace {

// The override is process-wide; the driver's configuration store may read
// the directory from another thread, hence the lock.
std::mutex& OverrideLock() {
  static Lasting<std::mutex> lock;
  return lock.get();
}

std::filesystem::path& OverrideDir() {
  static Lasting<std::filesystem::path> dir;
  return dir.get();
}

std::filesystem::path& JournalOverride() {
  static Lasting<std::filesystem::path> dir;
  return dir.get();
}

DiskFault& Fault() {
  static DiskFault fault = DiskFault::kNone;
  return fault;
}

std::filesystem::path HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return std::filesystem::current_path();
}

}  // namespace

std::filesystem::path WindowsDirectory() {
  {
    std::lock_guard<std::mutex> hold(OverrideLock());
    if (!OverrideDir().empty()) return OverrideDir();
  }
  // Relative values of XDG_CONFIG_HOME are to be ignored.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const std::filesystem::path base =
      config && *config && std::filesystem::path(config).is_absolute()
          ? std::filesystem::path(config)
          : HomeDirectory() / ".config";
  return base / "morva";
}

void SetWindowsDirectory(const std::filesystem::path& dir) {
  std::lock_guard<std::mutex> hold(OverrideLock());
  OverrideDir() = dir;
}

std::filesystem::path JournalDirectory() {
  {
    std::lock_guard<std::mutex> hold(OverrideLock());
    if (!JournalOverride().empty()) return JournalOverride();
  }
  // Relative values are to be ignored here too.
  const char* state = std::getenv("XDG_STATE_HOME");
  const std::filesystem::path base = state && *state && std::filesystem::path(state).is_absolute()
                                         ? std::filesystem::path(state)
                                         : HomeDirectory() / ".local" / "state";
  return base / "morva";
}

void SetJournalDirectory(const std::filesystem::path& dir) {
  std::lock_guard<std::mutex> hold(OverrideLock());
  JournalOverride() = dir;
}

}  // namespace platform

namespace platform {

void SetWindowsDirectoryFault(DiskFault fault) {
  std::lock_guard<std::mutex> hold(OverrideLock());
  Fault() = fault;
}

DiskFault DiskFaultFor(const std::filesystem::path& path) {
  DiskFault fault;
  {
    std::lock_guard<std::mutex> hold(OverrideLock());
    fault = Fault();
  }
  if (fault == DiskFault::kNone) return fault;
  std::error_code ec;
  const auto dir = std::filesystem::weakly_canonical(WindowsDirectory(), ec);
  const auto parent = std::filesystem::weakly_canonical(path.parent_path(), ec);
  return parent == dir ? fault : DiskFault::kNone;
}

}  // namespace platform
