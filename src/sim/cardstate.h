#pragma once
// What the simulated driver keeps per card: per stereo pair (pairs 0-3
// analog, 4 S/PDIF) the records of the control messages, as the 32-bit
// little-endian values they travel as, and the metering switches.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace sim {

constexpr int kPairsPerCard = 5;
constexpr int kSpdifPair = 4;

struct PairState {
  std::uint32_t ingain = 0x80008000;   // GainPair: left in the low word
  std::uint32_t inpair = 0x00000000;   // InputPairRecord: Line, Line, no mute, monitor off
  std::uint32_t mongain = 0x80008000;  // GainPair
  std::uint32_t gate = 0xFFFFFFFF;     // MonitorGatePair: 0xFFFF lets the monitored input pass
  std::uint32_t volume = 0xC000C000;   // wave volume
  std::uint32_t mute = 0x00000000;     // MutePair
  bool inmeter = false;
  bool outmeter = false;
};

struct CardState {
  std::array<PairState, kPairsPerCard> pairs{};
  std::uint32_t devnode = 0;
};

enum class PairField { InGain, InPair, MonGain, Gate, Volume, Mute, DevNode };

// "ingain", "inpair", "mongain", "gate", "volume", "mute", "devnode".
std::optional<PairField> PairFieldFromName(std::string_view name);

}  // namespace sim
