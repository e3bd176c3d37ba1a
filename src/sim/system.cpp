#include "sim/system.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <stdexcept>

#include "sim/cardengine.h"
#include "sim/signalmodel.h"
#include "sim/wire.h"

namespace sim {
namespace {

constexpr std::array<const char*, 8> kSpdifNumerals = {"I", "II", "III", "IV",
                                                       "V", "VI", "VII", "VIII"};

// The only format a control handle accepts: PCM, 44100 Hz, 16 bit, stereo,
// followed by the four extra bytes "CTRL".
constexpr std::array<std::uint8_t, 22> kControlFormat = {
    1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 4, 0, 'C', 'T', 'R', 'L'};

int DirIndex(Dir dir) {
  return dir == Dir::In ? 0 : 1;
}

void CheckCard(int card) {
  if (card < 0 || card >= Knobs::kMaxCards) throw std::out_of_range("no such card");
}

void CheckPair(int pair) {
  if (pair < 0 || pair >= kPairsPerCard) throw std::out_of_range("no such pair");
}

std::uint32_t* FieldOf(CardState& card, int pair, PairField field) {
  PairState& p = card.pairs[pair];
  switch (field) {
    case PairField::InGain:
      return &p.ingain;
    case PairField::InPair:
      return &p.inpair;
    case PairField::MonGain:
      return &p.mongain;
    case PairField::Gate:
      return &p.gate;
    case PairField::Volume:
      return &p.volume;
    case PairField::Mute:
      return &p.mute;
    case PairField::DevNode:
      return &card.devnode;
  }
  return nullptr;
}

}  // namespace

std::optional<PairField> PairFieldFromName(std::string_view name) {
  if (name == "ingain") return PairField::InGain;
  if (name == "inpair") return PairField::InPair;
  if (name == "mongain") return PairField::MonGain;
  if (name == "gate") return PairField::Gate;
  if (name == "volume") return PairField::Volume;
  if (name == "mute") return PairField::Mute;
  if (name == "devnode") return PairField::DevNode;
  return std::nullopt;
}

System::System(Clock& clock, Knobs knobs) : clock_(clock), knobs_(std::move(knobs)) {
  if (knobs_.cards < 0 || knobs_.cards > Knobs::kMaxCards) {
    throw std::invalid_argument("cards must be 0 to 8");
  }
  for (int c = 0; c < Knobs::kMaxCards; ++c) {
    card_states_[c].devnode = 0x2A000011u + (static_cast<std::uint32_t>(c) << 8);
  }
  for (const LevelPin& pin : knobs_.pins) PinLevel(pin.dir, pin.card, pin.ch, pin.value);
  if (knobs_.arena_limit) arena_.SetLimit(*knobs_.arena_limit);
  if (auto* vc = dynamic_cast<VirtualClock*>(&clock_)) vc->SetBeforeSleep(&BeforeSleep, this);
  RebuildDevices();
}

System::~System() {
  FinishLateBridges();
  WaitForBridge();
  if (auto* vc = dynamic_cast<VirtualClock*>(&clock_)) vc->SetBeforeSleep(nullptr, nullptr);
}

void System::BeforeSleep(void* self) {
  static_cast<System*>(self)->WaitForBridge();
}

// Device list -------------------------------------------------------------

void System::SetCards(int cards) {
  if (cards < 0 || cards > Knobs::kMaxCards) throw std::invalid_argument("cards must be 0 to 8");
  knobs_.cards = cards;
  RebuildDevices();
}

void System::SetForeign(bool present) {
  knobs_.foreign = present;
  RebuildDevices();
}

void System::AddDevice(Dir dir, std::uint16_t mid, std::uint16_t pid, std::string name,
                       bool served) {
  knobs_.extra_devices.push_back(ExtraDevice{dir, mid, pid, std::move(name), served});
  RebuildDevices();
}

void System::SetOrder(DeviceOrder order, std::uint32_t seed) {
  knobs_.order = order;
  knobs_.seed = seed;
  RebuildDevices();
}

const std::vector<WaveDevice>& System::Devices(Dir dir) const {
  return devices_[DirIndex(dir)];
}

// The card and pair the driver serves behind a device of its own named by
// hand: "... N-M" is the pair whose upper channel is M, counted across the
// cards; a name ending in a numeral is that card's S/PDIF pair; anything
// else is served by the first card's first pair.
static void ServedPairOfName(const std::string& name, int& card, int& pair) {
  card = 0;
  pair = 0;
  const std::size_t dash = name.rfind('-');
  if (dash != std::string::npos) {
    const std::string digits = name.substr(dash + 1);
    if (!digits.empty() && digits.size() < 6 &&
        std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      const int upper = std::max(std::stoi(digits), 2);
      card = std::min((upper - 2) / 8, Knobs::kMaxCards - 1);
      pair = (upper - 2) % 8 / 2;
    }
    return;
  }
  const std::size_t blank = name.rfind(' ');
  const std::string word = blank == std::string::npos ? "" : name.substr(blank + 1, 3);
  for (int c = 0; c < static_cast<int>(std::size(kSpdifNumerals)); ++c) {
    if (word == kSpdifNumerals[c]) {
      card = c;
      pair = kSpdifPair;
    }
  }
}

void System::RebuildDevices() {
  for (Dir dir : {Dir::In, Dir::Out}) {
    const bool in = dir == Dir::In;
    const std::string analog = in ? "Analog Record " : "Analog Playback ";
    const std::string spdif = in ? "S/PDIF Record " : "S/PDIF Playback ";
    const std::uint16_t pid = in ? kRecordPid : kPlaybackPid;
    std::vector<WaveDevice> list;
    if (knobs_.foreign) list.push_back({kForeignMid, pid, "Onboard " + analog + "1-2", -1, -1});
    for (int card = 0; card < knobs_.cards; ++card) {
      for (int pair = 0; pair < 4; ++pair) {
        const int upper = 8 * card + 2 * pair + 2;
        list.push_back({kCardMid, pid,
                        analog + std::to_string(upper - 1) + "-" + std::to_string(upper), card,
                        pair});
      }
      list.push_back({kCardMid, pid, spdif + kSpdifNumerals[card], card, kSpdifPair});
    }
    for (const ExtraDevice& d : knobs_.extra_devices) {
      if (d.dir != dir) continue;
      WaveDevice device{d.mid, d.pid, d.name, -1, -1};
      // The driver serves every device it lists as the card's own.
      if (d.served && d.mid == kCardMid && d.pid == pid)
        ServedPairOfName(d.name, device.card, device.pair);
      list.push_back(std::move(device));
    }
    if (knobs_.order == DeviceOrder::Reverse) {
      std::reverse(list.begin(), list.end());
    } else if (knobs_.order == DeviceOrder::Shuffle) {
      // Our own Fisher-Yates over mt19937, so the order is the same everywhere.
      std::mt19937 rng(knobs_.seed + (in ? 0u : 1u));
      for (std::size_t i = list.size(); i > 1; --i) std::swap(list[i - 1], list[rng() % i]);
    }
    devices_[DirIndex(dir)] = std::move(list);
  }
}

// Driver answers ----------------------------------------------------------

void System::SetStates(const std::array<std::int32_t, 5>& states) {
  knobs_.states = states;
}

std::array<std::int32_t, 5> System::States() const {
  if (knobs_.states) return *knobs_.states;
  std::array<std::int32_t, 5> states{1, 0, 0, 0, 0};
  for (int c = 0; c < std::min(knobs_.cards, 4); ++c) states[c + 1] = 1;
  return states;
}

void System::SetArenaLimit(std::size_t bytes) {
  knobs_.arena_limit = bytes;
  arena_.SetLimit(bytes);
}

// Driver state --------------------------------------------------------------

const CardState& System::Card(int card) const {
  CheckCard(card);
  return card_states_[card];
}

std::uint32_t System::GetPairField(int card, int pair, PairField field) const {
  CheckCard(card);
  CheckPair(pair);
  return *FieldOf(const_cast<CardState&>(card_states_[card]), pair, field);
}

void System::SetPairField(int card, int pair, PairField field, std::uint32_t value) {
  CheckCard(card);
  CheckPair(pair);
  *FieldOf(card_states_[card], pair, field) = value;
  Changed(card);
}

void System::SetEngine(CardEngine* engine) {
  engine_ = engine;
  for (int c = 0; c < Knobs::kMaxCards; ++c) Tell(c);
}

void System::Changed(int card) {
  Tell(card);
  if (mixer_store_) mixer_store_->Note(card_states_);
}

void System::Tell(int card) {
  if (engine_ && engine_->Serves(card)) engine_->StateChanged(card, card_states_[card]);
}

bool System::RestoreMixerState(const std::filesystem::path& dir) {
  if (!MixerStore::Read(dir, card_states_)) return false;
  for (int c = 0; c < Knobs::kMaxCards; ++c) Tell(c);
  return true;
}

bool System::KeepMixerState(const std::filesystem::path& dir) {
  mixer_store_.reset();
  const bool restored = RestoreMixerState(dir);
  mixer_store_ = std::make_unique<MixerStore>(dir);
  return restored;
}

bool System::FlushMixerState() {
  return !mixer_store_ || mixer_store_->Flush();
}

void System::PinLevel(Dir dir, int card, int ch, std::int32_t value) {
  CheckCard(card);
  if (ch < 0 || ch > 9) throw std::out_of_range("no such channel");
  const std::array<int, 3> key{DirIndex(dir), card, ch};
  if (value < 0)
    pins_.erase(key);
  else
    pins_[key] = std::min(value, 32767);
}

std::int32_t System::Level(Dir dir, int card, int ch) const {
  CheckCard(card);
  auto pin = pins_.find({DirIndex(dir), card, ch});
  if (pin != pins_.end()) return pin->second;
  if (engine_ && engine_->Serves(card)) return engine_->TakePeak(dir, card, ch);
  const std::int64_t now = clock_.NowMs();
  return dir == Dir::In ? InputPeak(card_states_[card], card, ch, now)
                        : OutputPeak(card_states_[card], card, ch, now);
}

// Stored configuration ------------------------------------------------------

std::filesystem::path System::ConfigDir() const {
  if (!knobs_.config_dir.empty() || !config_dir_provider_) return knobs_.config_dir;
  return config_dir_provider_();
}

ConfigBytes System::StoredConfig() {
  return config_.Load(ConfigDir());
}

void System::SetConfigWord(int block, int word, std::int32_t value) {
  if (block < 0 || block > 3 || word < 0 || word > 39) throw std::out_of_range("no such word");
  const std::filesystem::path dir = ConfigDir();
  ConfigBytes bytes = config_.Load(dir);
  wire::WriteLe32(bytes.data() + 160 * block + 4 * word, static_cast<std::uint32_t>(value));
  if (!config_.Save(dir, bytes)) throw std::runtime_error("cannot store Morva.cfg");
}

// Control handles -------------------------------------------------------------

std::uint32_t System::Open(Dir dir, std::uint32_t device_id, std::span<const std::uint8_t> format,
                           std::uint32_t* handle) {
  const auto& list = devices_[DirIndex(dir)];
  if (device_id >= list.size()) return result::kBadDeviceId;
  if (handle == nullptr) return result::kInvalParam;
  const WaveDevice& device = list[device_id];
  if (device.card < 0 || format.size() != kControlFormat.size() ||
      !std::equal(format.begin(), format.end(), kControlFormat.begin())) {
    return result::kBadFormat;
  }
  const std::uint32_t h = next_handle_[DirIndex(dir)]++;
  handles_[DirIndex(dir)][h] = OpenHandle{device_id, device.card, device.pair};
  *handle = h;
  return result::kOk;
}

std::uint32_t System::Close(Dir dir, std::uint32_t handle) {
  auto& open = handles_[DirIndex(dir)];
  auto it = open.find(handle);
  if (it == open.end()) return result::kInvalHandle;
  const OpenHandle h = it->second;
  open.erase(it);
  // The last handle on a pair's device switches its metering off.
  const bool still_open = std::any_of(open.begin(), open.end(), [&](const auto& e) {
    return e.second.card == h.card && e.second.pair == h.pair;
  });
  if (!still_open) {
    PairState& p = card_states_[h.card].pairs[h.pair];
    (dir == Dir::In ? p.inmeter : p.outmeter) = false;
  }
  return result::kOk;
}

std::size_t System::OpenHandleCount(Dir dir) const {
  return handles_[DirIndex(dir)].size();
}

std::uint32_t System::Message(Dir dir, std::uint32_t handle, std::uint32_t msg, std::uint32_t p1,
                              std::uint32_t /*p2*/) {
  const auto& open = handles_[DirIndex(dir)];
  auto it = open.find(handle);
  if (it == open.end()) return result::kInvalHandle;
  return CardMessage(dir, it->second, msg, p1);
}

bool System::WriteAnswer(std::uint32_t vp, std::uint32_t value) {
  std::uint8_t* p = arena_.Flat(vp, 4);
  if (p == nullptr) return false;
  wire::WriteLe32(p, value);
  return true;
}

std::uint32_t System::CardMessage(Dir dir, const OpenHandle& h, std::uint32_t msg,
                                  std::uint32_t p1) {
  CardState& card = card_states_[h.card];
  PairState& pair = card.pairs[h.pair];
  const int left = h.pair == kSpdifPair ? 8 : 2 * h.pair;
  // A driver gone wrong answers whatever its override says.
  auto answer = [&](std::uint32_t value) {
    return answer_override_ ? answer_override_(msg) : value;
  };
  auto read = [&](std::uint32_t value) {
    return WriteAnswer(p1, answer(value)) ? result::kOk : result::kInvalParam;
  };
  auto set = [&](std::uint32_t& field) {
    field = p1;
    Changed(h.card);
    return result::kOk;
  };
  // Measuring starts afresh: what the engine saw before is not this reading's.
  auto start_meter = [&](bool& metering) {
    metering = true;
    if (engine_ && engine_->Serves(h.card)) {
      for (int ch : {left, left + 1}) engine_->TakePeak(dir, h.card, ch);
    }
    return result::kOk;
  };
  auto levels = [&](bool metering) {
    std::uint8_t* p = arena_.Flat(p1, 8);
    if (p == nullptr) return result::kInvalParam;
    auto level = [&](int ch) {
      return static_cast<std::int32_t>(
          answer(metering ? static_cast<std::uint32_t>(Level(dir, h.card, ch)) : 0));
    };
    wire::LevelPair{level(left), level(left + 1)}.Write(p);
    return result::kOk;
  };
  if (dir == Dir::Out) {
    switch (msg) {
      case wire::DRV_WODM_GETVOLUME:
        return read(pair.volume);
      case wire::DRV_WODM_SETVOLUME:
        return set(pair.volume);
      case wire::MSG_GET_OUT_MUTE:
        return read(pair.mute);
      case wire::MSG_SET_OUT_MUTE:
        return set(pair.mute);
      case wire::MSG_START_OUT_METER:
        return start_meter(pair.outmeter);
      case wire::MSG_STOP_OUT_METER:
        pair.outmeter = false;
        return result::kOk;
      case wire::MSG_GET_OUT_LEVEL:
        return levels(pair.outmeter);
      case wire::MSG_GET_DEVNODE:
        return read(card.devnode);
      default:
        return result::kNotSupported;
    }
  }
  switch (msg) {
    case wire::MSG_GET_IN_GAIN:
      return read(pair.ingain);
    case wire::MSG_SET_IN_GAIN:
      return set(pair.ingain);
    case wire::MSG_GET_IN_PAIR:
      return read(pair.inpair);
    case wire::MSG_SET_IN_PAIR:
      return set(pair.inpair);
    case wire::MSG_START_IN_METER:
      return start_meter(pair.inmeter);
    case wire::MSG_STOP_IN_METER:
      pair.inmeter = false;
      return result::kOk;
    case wire::MSG_GET_IN_LEVEL:
      return levels(pair.inmeter);
    case wire::MSG_GET_MON_GAIN:
      return read(pair.mongain);
    case wire::MSG_SET_MON_GAIN:
      return set(pair.mongain);
    case wire::MSG_GET_MON_GATE:
      return read(pair.gate);
    case wire::MSG_SET_MON_GATE:
      return set(pair.gate);
    default:
      return result::kNotSupported;
  }
}

// Configuration entry point -------------------------------------------------

int System::RunDll(const std::string& params) {
  if (knobs_.bridge == BridgeMode::Fail) return 2;  // the runner could not be found
  ++bridge_runs_;
  std::optional<ConfigEntryPoint::Job> job = ConfigEntryPoint::Parse(params);
  if (!job) return 42;  // started, but the entry point finds nothing to do
  job->signal = knobs_.bridge != BridgeMode::Hang;
  job->late = knobs_.bridge == BridgeMode::Late;
  job->reconfigurable = knobs_.reconfigurable;
  job->states = States();
  job->dir = ConfigDir();
  entry_.Start(std::move(*job));
  return 42;
}

void System::WaitForBridge() {
  entry_.Wait();
}

void System::FinishLateBridges() {
  entry_.FinishLate();
}

}  // namespace sim
