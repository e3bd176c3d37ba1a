#pragma once
// The simulated sound system: the wave device lists with the cards' own
// devices, the card driver behind its control handles, the 16-bit arena the
// application shares with it, and the driver's configuration entry point as
// it runs when started through "rundll.exe".
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "sim/arena.h"
#include "sim/cardstate.h"
#include "sim/clock.h"
#include "sim/configentry.h"
#include "sim/configstore.h"
#include "sim/knobs.h"
#include "sim/mixerstore.h"

namespace sim {

class CardEngine;

// Results as the multimedia functions report them.
namespace result {
constexpr std::uint32_t kOk = 0;
constexpr std::uint32_t kBadDeviceId = 2;
constexpr std::uint32_t kInvalHandle = 5;
constexpr std::uint32_t kNotSupported = 8;
constexpr std::uint32_t kInvalParam = 11;
constexpr std::uint32_t kBadFormat = 32;
}  // namespace result

constexpr std::uint16_t kCardMid = 190;
constexpr std::uint16_t kRecordPid = 5;
constexpr std::uint16_t kPlaybackPid = 6;
constexpr std::uint16_t kForeignMid = 2;

struct WaveDevice {
  std::uint16_t mid = 0;
  std::uint16_t pid = 0;
  std::string name;
  int card = -1;  // -1: not one of the cards' own devices
  int pair = -1;
};

class System {
 public:
  explicit System(Clock& clock, Knobs knobs = {});
  ~System();
  System(const System&) = delete;
  System& operator=(const System&) = delete;

  Clock& clock() { return clock_; }
  Arena16& arena() { return arena_; }
  const Knobs& knobs() const { return knobs_; }

  // The system's device list.
  void SetCards(int cards);  // 0 to 8
  int cards() const { return knobs_.cards; }
  void SetForeign(bool present);
  void AddDevice(Dir dir, std::uint16_t mid, std::uint16_t pid, std::string name,
                 bool served = true);
  void SetOrder(DeviceOrder order, std::uint32_t seed = 0);
  const std::vector<WaveDevice>& Devices(Dir dir) const;

  // The driver's answers and failures.
  void SetStates(const std::array<std::int32_t, 5>& states);
  // The "getstates" record: the knob, or 1, then 1 per present card up to four, then 0.
  std::array<std::int32_t, 5> States() const;
  void SetReconfigurable(bool reconfigurable) { knobs_.reconfigurable = reconfigurable; }
  void SetBridge(BridgeMode mode) { knobs_.bridge = mode; }
  void SetTrayOk(bool ok) { knobs_.tray_ok = ok; }
  bool tray_ok() const { return knobs_.tray_ok; }
  void SetArenaLimit(std::size_t bytes);
  // Where the configuration is stored: the knob's directory, else what the
  // provider names at that moment, else nowhere (kept in memory).
  void SetConfigDir(const std::filesystem::path& dir) { knobs_.config_dir = dir; }
  void SetConfigDirProvider(std::function<std::filesystem::path()> provider) {
    config_dir_provider_ = std::move(provider);
  }
  std::filesystem::path ConfigDir() const;

  // Driver state per card (0 to 7) and pair (0 to 4).
  const CardState& Card(int card) const;
  std::uint32_t GetPairField(int card, int pair, PairField field) const;
  void SetPairField(int card, int pair, PairField field, std::uint32_t value);
  // Fixes the level a channel (0-7 analog, 8-9 S/PDIF) reports; -1 returns it to the model.
  void PinLevel(Dir dir, int card, int ch, std::int32_t value);
  // The peak the channel shows now, metering aside: the signal model's, or
  // for a card that an engine serves, the real peak since the last reading.
  std::int32_t Level(Dir dir, int card, int ch) const;

  // The cards' mixer state as the driver stored it in dir: restoring sets
  // every card's records to what is stored there (nothing when nothing
  // readable is); keeping restores and from then on stores every change.
  // Without either, the cards start from their power-on values and nothing
  // is stored.
  bool RestoreMixerState(const std::filesystem::path& dir);
  bool KeepMixerState(const std::filesystem::path& dir);
  // Writes a kept change not yet written now; false when it cannot be.
  bool FlushMixerState();

  // The engine that moves the cards' samples (nullptr: the signal model
  // only). It is told the state of every card it serves at once and after
  // every change; it must outlive the system or be taken away first.
  void SetEngine(CardEngine* engine);

  // Every 32-bit word the driver writes into a read buffer comes from this
  // function instead (given the message), as from a driver gone wrong.
  void SetAnswerOverride(std::function<std::uint32_t(std::uint32_t msg)> f) {
    answer_override_ = std::move(f);
  }

  // The stored configuration record.
  ConfigBytes StoredConfig();
  void SetConfigWord(int block, int word, std::int32_t value);

  // Control handles. format holds the WAVEFORMATEX bytes and its extra bytes.
  std::uint32_t Open(Dir dir, std::uint32_t device_id, std::span<const std::uint8_t> format,
                     std::uint32_t* handle);
  std::uint32_t Close(Dir dir, std::uint32_t handle);
  std::uint32_t Message(Dir dir, std::uint32_t handle, std::uint32_t msg, std::uint32_t p1,
                        std::uint32_t p2);
  std::size_t OpenHandleCount(Dir dir) const;

  // "rundll.exe" with this parameters string: a result above 32 means it
  // started. The entry point runs on a worker thread.
  int RunDll(const std::string& params);
  // Waits until every started entry point has finished (late ones aside).
  void WaitForBridge();
  // Lets the late entry points finish now; they write their answers into
  // the blocks they were given, as late as that is.
  void FinishLateBridges();
  // Worker threads of entry points still running or not yet joined.
  std::size_t BridgeWorkerCount() { return entry_.WorkerCount(); }
  int bridge_runs() const { return bridge_runs_; }

 private:
  struct OpenHandle {
    std::uint32_t device = 0;
    int card = 0;
    int pair = 0;
  };
  static void BeforeSleep(void* self);
  // The card's state changed: the engine hears of it, the store keeps it.
  void Changed(int card);
  void Tell(int card);
  void RebuildDevices();
  std::uint32_t CardMessage(Dir dir, const OpenHandle& h, std::uint32_t msg, std::uint32_t p1);
  bool WriteAnswer(std::uint32_t vp, std::uint32_t value);

  Clock& clock_;
  Knobs knobs_;
  Arena16 arena_;
  ConfigStore config_;
  ConfigEntryPoint entry_{clock_, arena_, config_};
  CardStates card_states_{};
  std::unique_ptr<MixerStore> mixer_store_;
  std::map<std::array<int, 3>, std::int32_t> pins_;
  CardEngine* engine_ = nullptr;
  std::array<std::vector<WaveDevice>, 2> devices_;
  std::function<std::uint32_t(std::uint32_t)> answer_override_;
  std::array<std::map<std::uint32_t, OpenHandle>, 2> handles_;
  std::array<std::uint32_t, 2> next_handle_{1, 1};
  std::function<std::filesystem::path()> config_dir_provider_;
  int bridge_runs_ = 0;
};

}  // namespace sim
