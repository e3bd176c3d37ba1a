#include "audio/cardmix.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sim/gainlaw.h"

namespace audio {
namespace {

// A gain that glides from where the last block ended to its new value
// across this block, reaching it on the last sample.
class Glide {
 public:
  Glide(float from, float to, std::uint32_t n) : from_(from), step_((to - from) / n) {}
  float At(std::uint32_t i) const { return from_ + step_ * static_cast<float>(i + 1); }
  bool Silent() const { return from_ == 0.0f && step_ == 0.0f; }

 private:
  float from_;
  float step_;
};

}  // namespace

MixGains GainsOf(const sim::CardState& state) {
  using sim::Fader;
  const sim::CardRoute route = sim::RouteOf(state);
  MixGains g;
  for (int ch = 0; ch < kAnalog; ++ch) {
    const sim::ChannelRoute& r = route[ch];
    if (r.source == sim::Source::Line || r.source == sim::Source::Mic ||
        r.source == sim::Source::Cd) {
      g.from[ch][static_cast<int>(r.source)] = sim::GainFactor(Fader::Input, r.in_gain);
    }
    g.play[ch] = r.playback ? sim::GainFactor(Fader::Output, r.volume) : 0.0f;
    g.monitor[ch] = r.monitor ? sim::GainFactor(Fader::Monitor, r.mon_gain) : 0.0f;
  }
  // The digital output has no fader: it carries the playback as it comes.
  for (int i = 0; i < kSpdif; ++i) g.spdif_play[i] = route[8 + i].playback ? 1.0f : 0.0f;
  return g;
}

std::int32_t CardMix::TakePeak(sim::Dir dir, int ch) {
  if (ch < 0 || ch >= sim::kChannelsPerCard) return 0;
  auto& peaks = dir == sim::Dir::In ? in_peaks_ : out_peaks_;
  return peaks[ch].exchange(0, std::memory_order_relaxed);
}

void CardMix::NotePeak(std::atomic<std::int32_t>& peak, const float* samples, std::uint32_t n) {
  float top = 0.0f;
  for (std::uint32_t i = 0; i < n; ++i) top = std::max(top, std::fabs(samples[i]));
  const auto level = static_cast<std::int32_t>(std::min(top, 1.0f) * 32767.0f + 0.5f);
  std::int32_t seen = peak.load(std::memory_order_relaxed);
  while (level > seen && !peak.compare_exchange_weak(seen, level, std::memory_order_relaxed)) {
  }
}

void CardMix::Process(const CardBuffers& b, std::uint32_t n) {
  if (n == 0) return;
  const MixGains& target = gains_.Latest();
  for (int ch = 0; ch < kAnalog; ++ch) {
    float* rec = b.record[ch];
    std::fill(rec, rec + n, 0.0f);
    const float* sources[kSources] = {b.line[ch], b.mic[ch], b.cd[ch % 2]};
    for (int s = 0; s < kSources; ++s) {
      const Glide g(applied_.from[ch][s], target.from[ch][s], n);
      if (g.Silent()) continue;
      const float* in = sources[s];
      for (std::uint32_t i = 0; i < n; ++i) rec[i] += in[i] * g.At(i);
    }
    ad_[ch].Apply(rec, n);
    const Glide play(applied_.play[ch], target.play[ch], n);
    const Glide mon(applied_.monitor[ch], target.monitor[ch], n);
    const float* pb = b.playback[ch];
    float* out = b.out[ch];
    for (std::uint32_t i = 0; i < n; ++i) out[i] = pb[i] * play.At(i) + rec[i] * mon.At(i);
    da_[ch].Apply(out, n);
    NotePeak(in_peaks_[ch], rec, n);
    NotePeak(out_peaks_[ch], out, n);
  }
  for (int i = 0; i < kSpdif; ++i) {
    std::memcpy(b.record_spdif[i], b.spdif_in[i], n * sizeof(float));
    const Glide play(applied_.spdif_play[i], target.spdif_play[i], n);
    const float* pb = b.playback_spdif[i];
    float* out = b.spdif_out[i];
    for (std::uint32_t k = 0; k < n; ++k) out[k] = pb[k] * play.At(k);
    NotePeak(in_peaks_[kAnalog + i], b.record_spdif[i], n);
    NotePeak(out_peaks_[kAnalog + i], out, n);
  }
  applied_ = target;
}

}  // namespace audio
