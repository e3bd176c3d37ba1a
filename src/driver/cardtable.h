#pragma once
// The card table: which system wave device serves which stereo pair of which
// card. Filled by DiscoverCards from the system's wave device lists.
#include <array>
#include <cstdint>
#include <string_view>

namespace driver {

constexpr int kMaxCards = 4;      // the per-card tables hold four cards
constexpr int kPairsPerCard = 5;  // four analog pairs and the S/PDIF pair
constexpr int kSpdifPair = 4;
constexpr int kDeviceSlots = 40;  // eight cards' worth of device slots
constexpr int kChannelsPerCard = 8;
constexpr std::uint16_t kMorvaMid = 190;
constexpr std::uint16_t kRecordPid = 5;
constexpr std::uint16_t kPlaybackPid = 6;

struct CardTable {
  std::array<std::int32_t, kDeviceSlots> RecDeviceIds{};
  std::array<std::int32_t, kDeviceSlots> PlayDeviceIds{};
  std::int32_t RecDeviceCount = 0;
  std::int32_t PlayDeviceCount = 0;
  // Never above kMaxCards: a fifth card's devices are recorded in the
  // device tables but the card is left out everywhere else.
  std::int32_t CardCount = 0;
  bool CardsPresent = false;
  std::array<std::uint32_t, kMaxCards> CardDevNodes{};
};

constexpr int SlotOf(int card, int pair) {
  return card * kPairsPerCard + pair;
}

// The card numerals of the S/PDIF device names, card index 0 to 3.
inline constexpr std::array<std::string_view, kMaxCards> SpdifCardNumerals = {"I", "II", "III",
                                                                              "IV"};

// Card index of an analog device name ending in "<N-1>-<N>"; the pair goes
// to pair. Throws ui::EConvertError when there is no "-" or the text after
// the last one is not a decimal integer.
int DevNameChannelPairToCardId(std::string_view name, int per_card, int& pair);

// Card index 0 to 3 of an S/PDIF device name ending in a blank and a
// numeral of SpdifCardNumerals (a blank alone is card 0); -1 otherwise.
int DevNameSpdifToCardId(std::string_view name);

// Rebuilds the whole table from the system's wave devices and asks the
// driver for each card's device node. A conversion error of a device name
// or a failed open of the device-node query ends it early (see the .cpp).
void DiscoverCards(CardTable& table);

}  // namespace driver
