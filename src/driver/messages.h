#pragma once
// The driver's control messages and the records they carry. Records travel
// little-endian: packed into dwParam1 when written, read from the shared
// buffer when the driver answers.
#include <cstdint>

#include "ui/wintypes.h"

namespace driver {

constexpr UINT MSG_GET_OUT_MUTE = 0x4001;
constexpr UINT MSG_SET_OUT_MUTE = 0x4002;
constexpr UINT MSG_START_OUT_METER = 0x4007;
constexpr UINT MSG_STOP_OUT_METER = 0x4008;
constexpr UINT MSG_GET_OUT_LEVEL = 0x4009;
constexpr UINT MSG_GET_DEVNODE = 0x4011;
constexpr UINT MSG_GET_IN_GAIN = 0x4032;
constexpr UINT MSG_SET_IN_GAIN = 0x4033;
constexpr UINT MSG_GET_IN_PAIR = 0x4034;
constexpr UINT MSG_SET_IN_PAIR = 0x4035;
constexpr UINT MSG_START_IN_METER = 0x4038;
constexpr UINT MSG_STOP_IN_METER = 0x4039;
constexpr UINT MSG_GET_IN_LEVEL = 0x403A;
constexpr UINT MSG_GET_MON_GAIN = 0x403B;
constexpr UINT MSG_SET_MON_GAIN = 0x403C;
constexpr UINT MSG_GET_MON_GATE = 0x403D;
constexpr UINT MSG_SET_MON_GATE = 0x403E;
// The standard wave-out volume messages, sent on the control handle too.
constexpr UINT DRV_WODM_GETVOLUME = 0x0010;
constexpr UINT DRV_WODM_SETVOLUME = 0x0011;

inline std::uint16_t ReadLe16(const BYTE* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t ReadLe32(const BYTE* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void WriteLe32(BYTE* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

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
  static WordPair Read(const BYTE* p) { return {ReadLe16(p), ReadLe16(p + 2)}; }
  void Write(BYTE* p) const { WriteLe32(p, Pack()); }
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
T Read(const BYTE* p) {
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
  static InputPairRecord Read(const BYTE* p) { return {p[0], p[1], p[2], p[3]}; }
  void Write(BYTE* p) const { WriteLe32(p, Pack()); }
  friend constexpr bool operator==(const InputPairRecord&, const InputPairRecord&) = default;
};

// Peak levels 0 to 32767, left then right, two 32-bit integers (8 bytes).
struct LevelPair {
  std::int32_t left = 0;
  std::int32_t right = 0;

  static LevelPair Read(const BYTE* p) {
    return {static_cast<std::int32_t>(ReadLe32(p)), static_cast<std::int32_t>(ReadLe32(p + 4))};
  }
  friend constexpr bool operator==(const LevelPair&, const LevelPair&) = default;
};

// Where in an 80-byte mute buffer (one 16-bit word per channel index) the
// MutePair of a channel's pair is read: 2 x (channel with bit 0 cleared).
constexpr DWORD MuteBufferOffset(int channel) {
  return 2u * static_cast<DWORD>(channel & ~1);
}
// Where in an 80-byte source block the InputPairRecord of pair p lives.
constexpr DWORD SourceBlockOffset(int pair) {
  return 4u * static_cast<DWORD>(pair);
}

}  // namespace driver
