#pragma once
// The configuration bridge: the driver's configuration entry point
// DriverConfig, started through "rundll.exe", works on a shared data block
// and then sets a shared completion word.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace driver {

constexpr std::int32_t DRVCFG_GETSTATES = 0x4001;       // DriverStates, 20 bytes
constexpr std::int32_t DRVCFG_RECONFIGURABLE = 0x4002;  // one 32-bit word, preset to 0
constexpr std::int32_t DRVCFG_GETCONFIG = 0x4003;       // DriverConfigRecord, 640 bytes
constexpr std::int32_t DRVCFG_SETCONFIG = 0x4004;       // DriverConfigRecord, 640 bytes

// How long a call waits for the completion word, on the platform's clock.
// A driver that never answers would otherwise freeze the program.
constexpr std::int64_t kDriverConfigWaitLimitMs = 5000;

// "getstates", "reconfigurable", "getconfig", "setconfig"; none for other values.
std::optional<std::string_view> DriverConfigCommandWord(std::int32_t command);

// "Morva.DRV,DriverConfig <word> $<data 16:16> #<completion 16:16>", both
// pointers as eight upper-case hexadecimal digits.
std::string DriverConfigParams(std::string_view word, std::uint32_t data_vp, std::uint32_t done_vp);

// Starts "rundll.exe" with those parameters; true when the shell started it.
bool RunDriverConfig(std::string_view word, std::uint32_t data_vp, std::uint32_t done_vp);

// Runs one command on a copy of buffer in shared memory and copies the
// driver's result back. True when the entry point was started and signalled
// completion within wait_limit_ms. On every failure (disabled, no memory,
// unknown command, start failed, time limit) the buffer keeps its bytes.
bool DriverConfigCall(std::int32_t enabled, std::int32_t command, void* buffer, std::int32_t length,
                      std::int64_t wait_limit_ms = kDriverConfigWaitLimitMs);
bool DriverConfigCall(std::int32_t enabled, std::int32_t command, std::span<std::uint8_t> buffer,
                      std::int64_t wait_limit_ms = kDriverConfigWaitLimitMs);

// The "getstates" answer: the overall status and one status per card, the
// list ending at the first 0. 1 means in working order.
struct DriverStates {
  std::int32_t Status = 0;
  std::array<std::int32_t, 4> CardStatus{};

  std::array<std::uint8_t, 20> ToBytes() const;
  static DriverStates FromBytes(std::span<const std::uint8_t, 20> bytes);
};

// "getstates" into states (left as it was when the call fails).
bool GetDriverStates(std::int32_t enabled, DriverStates& states);
// "reconfigurable": true when the call succeeded and the driver answered nonzero.
bool DriverReconfigurable(std::int32_t enabled);

}  // namespace driver
