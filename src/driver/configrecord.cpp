#include "driver/configrecord.h"

#include <algorithm>
#include <stdexcept>

#include "driver/bridge.h"
#include "driver/messages.h"

namespace driver {
namespace {

void CheckWord(int word) {
  if (word < 0 || word >= kConfigBlockWords) throw std::out_of_range("no such configuration word");
}

void CheckBlock(int block) {
  if (block < 0 || block >= kConfigRecordSize / kConfigBlockSize) {
    throw std::out_of_range("no such configuration block");
  }
}

}  // namespace

std::int32_t CardConfigBlock::Word(int word) const {
  CheckWord(word);
  return static_cast<std::int32_t>(ReadLe32(bytes.data() + 4 * word));
}

void CardConfigBlock::SetWord(int word, std::int32_t value) {
  CheckWord(word);
  WriteLe32(bytes.data() + 4 * word, static_cast<std::uint32_t>(value));
}

CardConfigBlock DriverConfigRecord::Block(int block) const {
  CheckBlock(block);
  CardConfigBlock b;
  const auto first = bytes.begin() + kConfigBlockSize * block;
  std::copy(first, first + kConfigBlockSize, b.bytes.begin());
  return b;
}

void DriverConfigRecord::SetBlock(int block, const CardConfigBlock& value) {
  CheckBlock(block);
  std::copy(value.bytes.begin(), value.bytes.end(), bytes.begin() + kConfigBlockSize * block);
}

void DriverConfigRecord::SetWord(int block, int word, std::int32_t value) {
  CardConfigBlock b = Block(block);
  b.SetWord(word, value);
  SetBlock(block, b);
}

bool DriverConfigRecord::Get(std::int32_t enabled) {
  return DriverConfigCall(enabled, DRVCFG_GETCONFIG, bytes);
}

bool DriverConfigRecord::Set(std::int32_t enabled) {
  return DriverConfigCall(enabled, DRVCFG_SETCONFIG, bytes);
}

bool RestartNeeded(const CardConfigBlock& before, const CardConfigBlock& after) {
  return before.RestrictedDev() != after.RestrictedDev() ||
         before.RestrictedDevice() != after.RestrictedDevice();
}

bool SendRemovalSignal(std::int32_t enabled) {
  DriverConfigRecord record;
  if (!record.Get(enabled)) return false;
  record.SetWord(0, kDeviceRemoval, -1);
  record.Set(enabled);
  return true;
}

}  // namespace driver
