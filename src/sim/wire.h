#pragma once
// What the card's driver and the application say to each other on a control
// handle: the message numbers and the records they carry. Both sides include
// this one header, so a number or a byte's place is written once. Records
// travel little-endian: packed into dwParam1 when written, read from the
// shared buffer when the driver answers; they are bytes on the wire, never
// C++ structs cast in place.
#include <cstdint>

namespace wire {

inline std::uint16_t ReadLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t ReadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void WriteLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The card's own messages, DRV_USER (0x4000) plus a number.
constexpr std::uint32_t MSG_GET_OUT_MUTE = 0x4001;
constexpr std::uint32_t MSG_SET_OUT_MUTE = 0x4002;
constexpr std::uint32_t MSG_START_OUT_METER = 0x4007;
constexpr std::uint32_t MSG_STOP_OUT_METER = 0x4008;
constexpr std::uint32_t MSG_GET_OUT_LEVEL = 0x4009;
constexpr std::uint32_t MSG_GET_DEVNODE = 0x4011;
constexpr std::uint32_t MSG_GET_IN_GAIN = 0x4032;
constexpr std::uint32_t MSG_SET_IN_GAIN = 0x4033;
constexpr std::uint32_t MSG_GET_IN_PAIR = 0x4034;
constexpr std::uint32_t MSG_SET_IN_PAIR = 0x4035;
constexpr std::uint32_t MSG_START_IN_METER = 0x4038;
constexpr std::uint32_t MSG_STOP_IN_METER = 0x4039;
constexpr std::uint32_t MSG_GET_IN_LEVEL = 0x403A;
constexpr std::uint32_t MSG_GET_MON_GAIN = 0x403B;
constexpr std::uint32_t MSG_SET_MON_GAIN = 0x403C;
constexpr std::uint32_t MSG_GET_MON_GATE = 0x403D;
constexpr std::uint32_t MSG_SET_MON_GATE = 0x403E;
// The standard wave-out volume messages, sent on the control handle too.
constexpr std::uint32_t DRV_WODM_GETVOLUME = 0x0010;
constexpr std::uint32_t DRV_WODM_SETVOLUME = 0x0011;

// Two unsigned 16-bit words, left then right: the low word of the packed
// value is the left channel. GainPair, MonitorGatePair, MutePair and the
// wave volume all have this shape.
struct WordPair {
  std::uint16_t left = 0;
  std::uint16_t right = 0;

  constexpr std::uint32_t Pack() const {
    return static_cast<std::uint32_t>(left) | (static_cast<std::uint32_t>(right) << 16);
  }
  static constexpr WordPair Unpack(std::uint32_t v) {
    return {static_cast<std::uint16_t>(v), static_cast<std::uint16_t>(v >> 16)};
  }
  static WordPair Read(const std::uint8_t* p) { return {ReadLe16(p), ReadLe16(p + 2)}; }
  void Write(std::uint8_t* p) const { WriteLe32(p, Pack()); }
  // Channel 0 is the left, 1 the right.
  constexpr std::uint16_t Of(int side) const { return side == 0 ? left : right; }
  friend constexpr bool operator==(const WordPair&, const WordPair&) = default;
};

// Input or monitor gains; the windows send twice their fader position.
struct GainPair : WordPair {};
// The monitor gate words, always written equal: 0x0000 or 0xFFFF.
struct MonitorGatePair : WordPair {};
// Mute flags: 0 not muted, 0xFFFF muted; any nonzero value read is muted.
struct MutePair : WordPair {
  bool LeftMuted() const { return left != 0; }
  bool RightMuted() const { return right != 0; }
};
// The standard wave-out volume: 0 to 65535 per channel.
struct WaveVolume : WordPair {};

template <typename T>
constexpr T Unpack(std::uint32_t v) {
  return T{WordPair::Unpack(v)};
}
template <typename T>
T Read(const std::uint8_t* p) {
  return T{WordPair::Read(p)};
}

constexpr std::uint8_t kSourceLine = 0;
constexpr std::uint8_t kSourceMic = 1;
constexpr std::uint8_t kSourceCd = 2;
constexpr std::uint8_t kMonitorOff = 0;
constexpr std::uint8_t kMonitorWhileRecording = 1;
constexpr std::uint8_t kMonitorOn = 2;

// One per analog input pair; byte 0 is the lowest byte of the packed value.
struct InputPairRecord {
  std::uint8_t source_left = kSourceLine;
  std::uint8_t playback_mute = 0;
  std::uint8_t source_right = kSourceLine;
  std::uint8_t monitor_mode = kMonitorOff;

  constexpr std::uint32_t Pack() const {
    return static_cast<std::uint32_t>(source_left) |
           (static_cast<std::uint32_t>(playback_mute) << 8) |
           (static_cast<std::uint32_t>(source_right) << 16) |
           (static_cast<std::uint32_t>(monitor_mode) << 24);
  }
  static constexpr InputPairRecord Unpack(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
  }
  static InputPairRecord Read(const std::uint8_t* p) { return {p[0], p[1], p[2], p[3]}; }
  void Write(std::uint8_t* p) const { WriteLe32(p, Pack()); }
  // The source of channel 0 (left) or 1 (right).
  constexpr std::uint8_t SourceOf(int side) const { return side == 0 ? source_left : source_right; }
  friend constexpr bool operator==(const InputPairRecord&, const InputPairRecord&) = default;
};

// Peak levels 0 to 32767, left then right, two 32-bit integers (8 bytes).
struct LevelPair {
  std::int32_t left = 0;
  std::int32_t right = 0;

  static LevelPair Read(const std::uint8_t* p) {
    return {static_cast<std::int32_t>(ReadLe32(p)), static_cast<std::int32_t>(ReadLe32(p + 4))};
  }
  void Write(std::uint8_t* p) const {
    WriteLe32(p, static_cast<std::uint32_t>(left));
    WriteLe32(p + 4, static_cast<std::uint32_t>(right));
  }
  friend constexpr bool operator==(const LevelPair&, const LevelPair&) = default;
};

}  // namespace wire
