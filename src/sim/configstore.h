#pragma once
// The driver's stored configuration: one 640-byte record (four card blocks
// of forty 32-bit words), kept in "Morva.cfg" in the Windows directory, or
// in memory when no directory is given. Every byte is kept as written,
// including words the application does not interpret.
#include <array>
#include <cstdint>
#include <filesystem>
#include <mutex>

namespace sim {

using ConfigBytes = std::array<std::uint8_t, 640>;

class ConfigStore {
 public:
  static constexpr const char* kFileName = "Morva.cfg";

  // The record a driver starts with when nothing is stored.
  static ConfigBytes Defaults();

  // The stored record; the defaults when the file is missing or not 640 bytes.
  ConfigBytes Load(const std::filesystem::path& dir);
  // Replaces the stored record durably (a failed write leaves the old
  // record). False when it cannot be written.
  bool Save(const std::filesystem::path& dir, const ConfigBytes& bytes);

 private:
  std::mutex mu_;
  ConfigBytes memory_ = Defaults();
};

}  // namespace sim
