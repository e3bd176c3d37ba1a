#pragma once
// The cards' mixer state as the driver keeps it while the manager comes and
// goes: every pair's records (gains, sources, monitor, volume, mutes) of all
// cards in "Morva.mix", beside the stored configuration. A change is noted
// at once and written a moment later by a thread of the store's own, so a
// dragged fader costs the caller a copy, not a disk write per step; the
// last change is written at the latest kWriteDelay after it, and at once by
// Flush and when the store ends.
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

#include "sim/cardstate.h"
#include "sim/knobs.h"
#include "sim/settler.h"

namespace sim {

using CardStates = std::array<CardState, Knobs::kMaxCards>;

// The file's bytes: "MVMX", version 1, the counts of cards, pairs and words
// per pair, the words little-endian card by card and pair by pair, then a
// 32-bit checksum of everything before it.
std::vector<std::uint8_t> EncodeMixerState(const CardStates& cards);
// Fills the records of cards from bytes; false (cards untouched) unless the
// bytes are a whole, unchanged file of this layout.
bool DecodeMixerState(const std::vector<std::uint8_t>& bytes, CardStates& cards);

class MixerStore {
 public:
  static constexpr const char* kFileName = "Morva.mix";
  static constexpr std::chrono::milliseconds kWriteDelay{250};

  explicit MixerStore(std::filesystem::path dir, std::chrono::milliseconds delay = kWriteDelay);
  // Writes what was noted and not yet written.
  ~MixerStore();
  MixerStore(const MixerStore&) = delete;
  MixerStore& operator=(const MixerStore&) = delete;

  // The records stored in dir read into cards; false when nothing readable
  // is stored there (cards are then left as they were).
  static bool Read(const std::filesystem::path& dir, CardStates& cards);
  // The state to write; only the last one noted before a write is written.
  void Note(const CardStates& cards);
  // Writes the noted state now if it is not written yet; false when the
  // file cannot be written (the state stays noted for the next try).
  bool Flush();
  // Files written so far.
  int writes() const;

 private:
  bool WriteNoted(std::unique_lock<std::mutex>& lock);

  const std::filesystem::path file_;
  mutable std::mutex mu_;
  std::condition_variable cv_;
  std::optional<CardStates> noted_;  // not yet written
  bool writing_ = false;
  int writes_ = 0;
  // Last, so that it stops before the rest goes. A write that failed is
  // tried again with the next change.
  Settler writer_;
};

}  // namespace sim
