#pragma once
// The samples of one card: what its process callback does, apart from the
// audio server. The record channels take the chosen source at the input
// gain; each output carries the playback at its volume plus the record
// channel at its monitor gain, as sim/routing says and at the gains of
// sim/gainlaw. Parameters come from the driver's thread through a lock-free
// exchange, gains glide to a new value across one block (no clicks), and
// every channel's peak since the last reading is kept in an atomic. The
// analog paths pass the card's converters, which delay them as a card's
// would: the inputs by kAdFrames on their way to the record channels, the
// outputs by kDaFrames on their way out (a monitored input by both); the
// S/PDIF paths are digital and pass at once.
// Process() takes no lock, allocates nothing, makes no system call.
#include <array>
#include <atomic>
#include <cstdint>

#include "audio/delayline.h"
#include "audio/exchange.h"
#include "sim/cardstate.h"
#include "sim/knobs.h"
#include "sim/routing.h"

namespace audio {

constexpr int kAnalog = 8;
constexpr int kSpdif = 2;
constexpr int kSources = 3;              // Line, Mic, CD
constexpr std::uint32_t kAdFrames = 38;  // the A/D converters' group delay
constexpr std::uint32_t kDaFrames = 30;  // the D/A converters'

// The gains the callback applies, as factors on the samples.
struct MixGains {
  // Record channel ch = sum over the sources of source x from[ch][source]:
  // one of them carries the input gain, the others are 0.
  std::array<std::array<float, kSources>, kAnalog> from{};
  std::array<float, kAnalog> play{};     // playback to output
  std::array<float, kAnalog> monitor{};  // record channel to output
  std::array<float, kSpdif> spdif_play{};
};
MixGains GainsOf(const sim::CardState& state);

// One block of a card's buffers, nframes samples each.
struct CardBuffers {
  // The card's connectors.
  std::array<const float*, kAnalog> line{}, mic{};
  std::array<const float*, kSpdif> cd{}, spdif_in{};
  std::array<float*, kAnalog> out{};
  std::array<float*, kSpdif> spdif_out{};
  // What a program records from and plays through the card.
  std::array<float*, kAnalog> record{};
  std::array<float*, kSpdif> record_spdif{};
  std::array<const float*, kAnalog> playback{};
  std::array<const float*, kSpdif> playback_spdif{};
};

class CardMix {
 public:
  // Driver side.
  void Publish(const sim::CardState& state) { gains_.Publish(GainsOf(state)); }
  // The peak of a channel (0-7 analog, 8-9 S/PDIF) since the last call, 0 to
  // 32767; levels above full scale read as full scale.
  std::int32_t TakePeak(sim::Dir dir, int ch);

  // Real-time side: the record channels are written before the outputs,
  // which read them back for the monitor.
  void Process(const CardBuffers& b, std::uint32_t nframes);

 private:
  void NotePeak(std::atomic<std::int32_t>& peak, const float* samples, std::uint32_t n);

  Exchange<MixGains> gains_;
  MixGains applied_{};  // the callback's own: where the last block ended
  std::array<DelayLine<kAdFrames>, kAnalog> ad_;
  std::array<DelayLine<kDaFrames>, kAnalog> da_;
  std::array<std::atomic<std::int32_t>, sim::kChannelsPerCard> in_peaks_{};
  std::array<std::atomic<std::int32_t>, sim::kChannelsPerCard> out_peaks_{};
};

}  // namespace audio
