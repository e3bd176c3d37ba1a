#include "driver/cardtable.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

#include "driver/controls.h"
#include "driver/messages.h"
#include "platform/wownt32.h"
#include "ui/exceptions.h"

namespace driver {
namespace {

// The framework's string-to-integer conversion: optional leading blanks and
// sign, then decimal digits to the end, within 32 bits.
std::int32_t StrToInt(std::string_view text) {
  std::string_view digits = text;
  while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  std::int32_t value = 0;
  const char* end = digits.data() + digits.size();
  auto [ptr, ec] = std::from_chars(digits.data(), end, value, 10);
  if (digits.empty() || ec != std::errc() || ptr != end) {
    throw ui::EConvertError("'" + std::string(text) + "' ist kein gültiger Integerwert");
  }
  return value;
}

bool Contains(const char* name, std::size_t size, const char* text) {
  return std::string_view(name, strnlen(name, size)).find(text) != std::string_view::npos;
}

// The slot a recognised device serves, -1 when it serves none.
template <typename Caps>
int SlotOfDevice(const Caps& caps, std::uint16_t pid, const char* analog, const char* spdif) {
  if (caps.wMid != kMorvaMid || caps.wPid != pid) return -1;
  const std::string_view name(caps.szPname, strnlen(caps.szPname, sizeof caps.szPname));
  if (Contains(caps.szPname, sizeof caps.szPname, analog)) {
    int pair = 0;
    const int card = DevNameChannelPairToCardId(name, kChannelsPerCard, pair);
    return card * kPairsPerCard + pair;
  }
  if (Contains(caps.szPname, sizeof caps.szPname, spdif)) {
    return DevNameSpdifToCardId(name) * kPairsPerCard + kSpdifPair;
  }
  return -1;
}

// Frees the device-node word however discovery ends.
class DevNodeWord {
 public:
  DevNodeWord() {
    WORD handle = 0;
    vp_ = WOWGlobalAllocLock16(GMEM_ZEROINIT, 4, &handle);
    if (vp_ != 0) flat_ = static_cast<const BYTE*>(WOWGetVDMPointerFix(vp_, 4, TRUE));
  }
  ~DevNodeWord() {
    if (flat_ != nullptr) WOWGetVDMPointerUnfix(vp_);
    if (vp_ != 0) WOWGlobalUnlockFree16(vp_);
  }
  DevNodeWord(const DevNodeWord&) = delete;
  DevNodeWord& operator=(const DevNodeWord&) = delete;
  bool valid() const { return flat_ != nullptr; }
  DWORD vp() const { return vp_; }
  std::uint32_t Read() const { return ReadLe32(flat_); }

 private:
  DWORD vp_ = 0;
  const BYTE* flat_ = nullptr;
};

}  // namespace

int DevNameChannelPairToCardId(std::string_view name, int per_card, int& pair) {
  const std::size_t dash = name.rfind('-');
  if (dash == std::string_view::npos) {
    throw ui::EConvertError("DevNameChannelPairToCardId: Separator not found.");
  }
  // 64-bit arithmetic: N - 2 must not overflow for N near the 32-bit minimum.
  const std::int64_t n = StrToInt(name.substr(dash + 1)) - std::int64_t{2};
  const std::int64_t card = n / per_card;
  pair = static_cast<int>((n % per_card) / 2);
  return static_cast<int>(card);  // within +-2^28, so card * 5 + pair cannot overflow
}

int DevNameSpdifToCardId(std::string_view name) {
  std::string_view word;
  const std::size_t blank = name.size() > 1 ? name.rfind(' ') : std::string_view::npos;
  if (blank != std::string_view::npos && blank > 0) {
    word = name.substr(blank + 1);
  } else {
    word = name.empty() ? name : name.substr(1);
  }
  word = word.substr(0, 3);
  if (word.empty()) word = "I";
  for (int i = 0; i < kMaxCards; ++i) {
    if (word == SpdifCardNumerals[i]) return i;
  }
  return -1;
}

void DiscoverCards(CardTable& table) {
  table.RecDeviceIds.fill(0);
  table.PlayDeviceIds.fill(0);
  table.CardDevNodes.fill(0);
  table.CardsPresent = true;
  table.RecDeviceCount = 0;
  table.PlayDeviceCount = 0;

  const UINT in_count = waveInGetNumDevs();
  for (UINT id = 0; id < in_count; ++id) {
    WAVEINCAPSA caps{};
    if (waveInGetDevCapsA(id, &caps, sizeof caps) != MMSYSERR_NOERROR) continue;
    const int slot = SlotOfDevice(caps, kRecordPid, "Analog Record", "S/PDIF Record");
    if (slot >= 0 && slot < kDeviceSlots) {
      table.RecDeviceIds[slot] = static_cast<std::int32_t>(id);
      ++table.RecDeviceCount;
    }
  }
  const UINT out_count = waveOutGetNumDevs();
  for (UINT id = 0; id < out_count; ++id) {
    WAVEOUTCAPSA caps{};
    if (waveOutGetDevCapsA(id, &caps, sizeof caps) != MMSYSERR_NOERROR) continue;
    const int slot = SlotOfDevice(caps, kPlaybackPid, "Analog Playback", "S/PDIF Playback");
    if (slot >= 0 && slot < kDeviceSlots) {
      table.PlayDeviceIds[slot] = static_cast<std::int32_t>(id);
      ++table.PlayDeviceCount;
    }
  }

  table.CardCount = std::min((table.RecDeviceCount + table.PlayDeviceCount) / 10, kMaxCards);
  if (table.CardCount == 0) {
    table.CardsPresent = false;
    return;
  }

  DevNodeWord word;
  if (!word.valid()) return;
  for (int card = 0; card < table.CardCount; ++card) {
    ControlHandle handle = 0;
    OpenPlayControl(table, nullptr, SlotOf(card, 0), handle);  // a failure ends discovery
    SendControlMessage(Direction::Playback, handle, MSG_GET_DEVNODE, word.vp());
    table.CardDevNodes[card] = word.Read();
    waveOutClose(HandleFromValue<HWAVEOUT>(handle));
  }
}

}  // namespace driver
