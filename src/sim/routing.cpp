#include "sim/routing.h"

namespace sim {

ChannelRoute RouteOf(const CardState& card, int ch) {
  ChannelRoute r;
  const int side = ch % 2;
  const bool spdif = ch >= 8;
  const PairState& pair = card.pairs[spdif ? kSpdifPair : ch / 2];
  r.volume = wire::Unpack<wire::WaveVolume>(pair.volume).Of(side);
  r.playback = wire::Unpack<wire::MutePair>(pair.mute).Of(side) == 0;
  if (spdif) {
    r.source = Source::Spdif;  // straight through: no gain or monitor of its own
    return r;
  }
  const auto record = wire::InputPairRecord::Unpack(pair.inpair);
  const std::uint8_t source = record.SourceOf(side);
  r.source = source > wire::kSourceCd ? Source::None : static_cast<Source>(source);
  r.in_gain = wire::Unpack<wire::GainPair>(pair.ingain).Of(side);
  r.playback = r.playback && record.playback_mute == 0;
  // Monitor mode 2 ("On", and "OnPunch", whose punch gate this card without
  // a transport never closes) lets the record channel through; mode 1
  // monitors while recording, which the card never does by itself.
  r.monitor = record.monitor_mode == wire::kMonitorOn;
  r.mon_gain = wire::Unpack<wire::GainPair>(pair.mongain).Of(side);
  return r;
}
CardRoute RouteOf(const CardState& card) {
  CardRoute route;
  for (int ch = 0; ch < kChannelsPerCard; ++ch) route[ch] = RouteOf(card, ch);
  return route;
}

}  // namespace sim
