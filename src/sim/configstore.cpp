#include "sim/configstore.h"

#include <fstream>

#include "sim/durablefile.h"
#include "sim/wire.h"

namespace sim {

ConfigBytes ConfigStore::Defaults() {
  ConfigBytes bytes{};
  for (std::uint32_t block = 0; block < 4; ++block) {
    std::uint8_t* b = bytes.data() + 160 * block;
    auto set = [b](int word, std::int32_t v) {
      wire::WriteLe32(b + 4 * word, static_cast<std::uint32_t>(v));
    };
    set(7, -1);                                 // messages about sample-rate conflicts shown
    set(8, -1);                                 // messages about device conflicts shown
    set(9, -1);                                 // analog playback devices start together
    set(10, -1);                                // analog record devices start together
    set(36, -1);                                // no restricted playback device chosen
    set(38, 0x0100);                            // record layout version, driver-internal
    set(39, static_cast<std::int32_t>(block));  // block number, driver-internal
  }
  return bytes;
}

ConfigBytes ConfigStore::Load(const std::filesystem::path& dir) {
  std::lock_guard lock(mu_);
  if (dir.empty()) return memory_;
  std::ifstream in(dir / kFileName, std::ios::binary);
  ConfigBytes bytes{};
  if (!in) return Defaults();
  in.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
  if (in.gcount() != static_cast<std::streamsize>(bytes.size()) || in.peek() != EOF) {
    return Defaults();
  }
  return bytes;
}

bool ConfigStore::Save(const std::filesystem::path& dir, const ConfigBytes& bytes) {
  std::lock_guard lock(mu_);
  if (dir.empty()) {
    memory_ = bytes;
    return true;
  }
  return ReplaceFileDurably(dir / kFileName, bytes);
}

}  // namespace sim
