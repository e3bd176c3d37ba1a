#pragma once
// The driver's control messages and the records they carry: the wire
// contract the card's driver shares (sim/wire.h), and where the windows'
// own buffers hold a record.
#include <cstdint>

#include "sim/wire.h"
#include "ui/wintypes.h"

namespace driver {

using namespace wire;

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
