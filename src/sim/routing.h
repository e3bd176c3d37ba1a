#pragma once
// Where the card sends its signals, read off the driver's state: the source
// each record channel takes, whether the playback stream and the monitored
// input reach each output, and the gain words that apply on the way. The
// signal model and the audio engine both follow it, so the meters of the
// one and the sound of the other obey the same switches.
#include <array>
#include <cstdint>

#include "sim/cardstate.h"
#include "sim/wire.h"

namespace sim {

constexpr int kChannelsPerCard = 10;  // 0-7 analog, 8-9 S/PDIF

// The record channel's source; Spdif for the S/PDIF channels, None for a
// source code the card does not have (silence).
enum class Source : std::uint8_t {
  Line = wire::kSourceLine,
  Mic = wire::kSourceMic,
  Cd = wire::kSourceCd,
  Spdif,
  None
};

struct ChannelRoute {
  // The record channel: its source at the input gain word (the S/PDIF
  // input has no gain of its own).
  Source source = Source::Line;
  std::uint16_t in_gain = 0;
  // The output: the playback stream at the volume word unless the channel is
  // muted or its pair's playback is muted by the monitor ...
  bool playback = true;
  std::uint16_t volume = 0;
  // ... plus the record channel at the monitor gain word where the pair's
  // monitor mode passes it (analog channels only).
  bool monitor = false;
  std::uint16_t mon_gain = 0;
};

// Channel ch (0-7 analog, 8-9 S/PDIF) of a card.
ChannelRoute RouteOf(const CardState& card, int ch);

using CardRoute = std::array<ChannelRoute, kChannelsPerCard>;
CardRoute RouteOf(const CardState& card);

}  // namespace sim
