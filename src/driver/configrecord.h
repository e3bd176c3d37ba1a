#pragma once
// The driver's configuration record: 640 bytes, four card blocks of forty
// 32-bit little-endian words. Always moved whole; words the application
// does not interpret are carried through unchanged.
#include <array>
#include <cstdint>

namespace driver {

constexpr int kConfigRecordSize = 640;
constexpr int kConfigBlockSize = 160;
constexpr int kConfigBlockWords = 40;

// Word numbers within a card's block.
enum ConfigWord : int {
  kDeviceRemoval = 0,  // block 0 only: the removal signal
  kCardSync = 1,
  kMsgRate = 7,
  kMsgDevConflict = 8,
  kPlaySync = 9,
  kRecSync = 10,
  kGroupSync = 11,
  kRemoveDc = 16,
  kWriteIsPlayCursor = 31,
  kLatency = 32,
  kRestrictedRate = 33,
  kRestrictedRes = 34,
  kRestrictedDev = 35,
  kRestrictedDevice = 36,
};

// Truth values are written as -1 and 0 and read as nonzero.
constexpr std::int32_t kTrueWord = -1;
constexpr std::int32_t kFalseWord = 0;
constexpr std::int32_t TruthWord(bool value) {
  return value ? kTrueWord : kFalseWord;
}

class CardConfigBlock {
 public:
  std::array<std::uint8_t, kConfigBlockSize> bytes{};

  // Word 0 to 39; throws std::out_of_range for any other.
  std::int32_t Word(int word) const;
  void SetWord(int word, std::int32_t value);
  bool Truth(int word) const { return Word(word) != 0; }
  void SetTruth(int word, bool value) { SetWord(word, TruthWord(value)); }

  std::int32_t DeviceRemoval() const { return Word(kDeviceRemoval); }
  bool CardSync() const { return Truth(kCardSync); }
  void SetCardSync(bool v) { SetTruth(kCardSync, v); }
  bool MsgRate() const { return Truth(kMsgRate); }
  void SetMsgRate(bool v) { SetTruth(kMsgRate, v); }
  bool MsgDevConflict() const { return Truth(kMsgDevConflict); }
  void SetMsgDevConflict(bool v) { SetTruth(kMsgDevConflict, v); }
  bool PlaySync() const { return Truth(kPlaySync); }
  void SetPlaySync(bool v) { SetTruth(kPlaySync, v); }
  bool RecSync() const { return Truth(kRecSync); }
  void SetRecSync(bool v) { SetTruth(kRecSync, v); }
  bool GroupSync() const { return Truth(kGroupSync); }
  void SetGroupSync(bool v) { SetTruth(kGroupSync, v); }
  bool RemoveDc() const { return Truth(kRemoveDc); }
  void SetRemoveDc(bool v) { SetTruth(kRemoveDc, v); }
  bool WriteIsPlayCursor() const { return Truth(kWriteIsPlayCursor); }
  void SetWriteIsPlayCursor(bool v) { SetTruth(kWriteIsPlayCursor, v); }
  std::int32_t Latency() const { return Word(kLatency); }
  void SetLatency(std::int32_t ms) { SetWord(kLatency, ms); }
  std::int32_t RestrictedRate() const { return Word(kRestrictedRate); }
  void SetRestrictedRate(std::int32_t hz) { SetWord(kRestrictedRate, hz); }
  std::int32_t RestrictedRes() const { return Word(kRestrictedRes); }
  void SetRestrictedRes(std::int32_t res) { SetWord(kRestrictedRes, res); }
  bool RestrictedDev() const { return Truth(kRestrictedDev); }
  void SetRestrictedDev(bool v) { SetTruth(kRestrictedDev, v); }
  std::int32_t RestrictedDevice() const { return Word(kRestrictedDevice); }
  void SetRestrictedDevice(std::int32_t device) { SetWord(kRestrictedDevice, device); }

  friend bool operator==(const CardConfigBlock&, const CardConfigBlock&) = default;
};

class DriverConfigRecord {
 public:
  std::array<std::uint8_t, kConfigRecordSize> bytes{};

  // Block 0 to 3; throws std::out_of_range for any other, so no block is
  // ever addressed beyond the fourth.
  CardConfigBlock Block(int block) const;
  void SetBlock(int block, const CardConfigBlock& value);
  std::int32_t Word(int block, int word) const { return Block(block).Word(word); }
  void SetWord(int block, int word, std::int32_t value);

  // "getconfig" / "setconfig" of the whole record through the bridge.
  bool Get(std::int32_t enabled);
  bool Set(std::int32_t enabled);

  friend bool operator==(const DriverConfigRecord&, const DriverConfigRecord&) = default;
};

// Whether applying after over before needs a Windows restart: the truth of
// RestrictedDev or the number RestrictedDevice changed.
bool RestartNeeded(const CardConfigBlock& before, const CardConfigBlock& after);

// The removal signal: "getconfig" into a record of its own, then, only if
// that succeeded, -1 into word 0 of block 0 and "setconfig". Returns whether
// the signal was sent.
bool SendRemovalSignal(std::int32_t enabled);

}  // namespace driver
