#include "sim/routing.h"

namespace sim {
namespace {

std::uint16_t Word(std::uint32_t value, int side) {
  return static_cast<std::uint16_t>(side == 0 ? value : value >> 16);
}

std::uint8_t Byte(std::uint32_t value, int index) {
  return static_cast<std::uint8_t>(value >> (8 * index));
}

}  // namespace

ChannelRoute RouteOf(const CardState& card, int ch) {
  ChannelRoute r;
  const int side = ch % 2;
  const bool spdif = ch >= 8;
  const PairState& pair = card.pairs[spdif ? kSpdifPair : ch / 2];
  r.volume = Word(pair.volume, side);
  r.playback = Word(pair.mute, side) == 0;
  if (spdif) {
    r.source = Source::Spdif;  // straight through: no gain or monitor of its own
    return r;
  }
  const std::uint8_t source = Byte(pair.inpair, side == 0 ? 0 : 2);
  r.source = source > 2 ? Source::None : static_cast<Source>(source);
  r.in_gain = Word(pair.ingain, side);
  r.playback = r.playback && Byte(pair.inpair, 1) == 0;
  // Monitor mode 2 ("On", and "OnPunch", whose punch gate this card without
  // a transport never closes) lets the record channel through; mode 1
  // monitors while recording, which the card never does by itself.
  r.monitor = Byte(pair.inpair, 3) == 2;
  r.mon_gain = Word(pair.mongain, side);
  return r;
}

CardRoute RouteOf(const CardState& card) {
  CardRoute route;
  for (int ch = 0; ch < kChannelsPerCard; ++ch) route[ch] = RouteOf(card, ch);
  return route;
}

}  // namespace sim
