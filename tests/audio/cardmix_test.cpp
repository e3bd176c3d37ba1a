// The card's process step away from the server: it allocates nothing, and a
// gain that changes glides across one block instead of jumping.
#include "audio/cardmix.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

// Every allocation of this test program passes here and is counted (all
// the plain forms, so that each delete meets the new that made its block).
namespace {
std::atomic<long> g_allocations{0};

void* Counted(std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(n ? n : 1);
}
}  // namespace

void* operator new(std::size_t n) {
  if (void* p = Counted(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  if (void* p = Counted(n)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  return Counted(n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  return Counted(n);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

namespace audio {
namespace {

constexpr std::uint32_t kFrames = 128;

struct Card {
  // One buffer per port, the inputs a constant 0.5.
  std::vector<std::vector<float>> ports;
  CardBuffers b;
  float* Port(float fill) {
    ports.emplace_back(kFrames, fill);
    return ports.back().data();
  }
  Card() {
    ports.reserve(64);
    for (int ch = 0; ch < kAnalog; ++ch) {
      b.line[ch] = Port(0.5f);
      b.mic[ch] = Port(0.5f);
      b.playback[ch] = Port(0.5f);
      b.out[ch] = Port(0);
      b.record[ch] = Port(0);
    }
    for (int i = 0; i < kSpdif; ++i) {
      b.cd[i] = Port(0.5f);
      b.spdif_in[i] = Port(0.5f);
      b.playback_spdif[i] = Port(0.5f);
      b.spdif_out[i] = Port(0);
      b.record_spdif[i] = Port(0);
    }
  }
};

TEST(CardMix, ProcessAllocatesNothingAndGainsGlide) {
  Card card;
  CardMix mix;
  sim::CardState state;
  state.pairs[0].ingain = 0;  // 0 dB on pair 1/2
  mix.Publish(state);
  const long before = g_allocations.load();
  for (int block = 0; block < 2000; ++block) {
    if (block % 100 == 0) {
      // A new state now and then, as the driver's thread publishes it.
      state.pairs[1].inpair ^= 0x00000101;  // pair 3/4: Mic, playback muted, and back
      mix.Publish(state);
    }
    mix.Process(card.b, kFrames);
  }
  EXPECT_EQ(g_allocations.load(), before);

  // The input gain word of the first channel rises to the top (+22.5 dB):
  // the record channel moves there across one block, sample by sample.
  state.pairs[0].ingain = 0x0000FFFE;
  mix.Publish(state);
  mix.Process(card.b, kFrames);
  const float* rec = card.b.record[0];
  for (std::uint32_t i = 1; i < kFrames; ++i) ASSERT_LT(rec[i] - rec[i - 1], 0.05f) << i;
  mix.Process(card.b, kFrames);  // the converter's delay passes
  const float top = 0.5f * std::pow(10.0f, 22.5f / 20);
  EXPECT_NEAR(rec[kFrames - 1], top, 1e-4);
  EXPECT_EQ(mix.TakePeak(sim::Dir::In, 0), 32767);  // above full scale reads as full scale
  EXPECT_EQ(mix.TakePeak(sim::Dir::In, 0), 0);      // and is taken once
}

// An impulse on each path arrives as late as the path's converters make
// it, whatever the length of the blocks it travels in.
TEST(CardMix, AnalogPathsAreDelayedByTheirConvertersDigitalOnesNot) {
  for (std::uint32_t frames : {kFrames, 16u, 1u}) {
    Card card;
    for (auto& port : card.ports) std::fill(port.begin(), port.end(), 0.0f);
    sim::CardState state;
    state.pairs[0].ingain = 0;           // 0 dB
    state.pairs[0].inpair = 0x02000000;  // pair 1/2 monitored
    state.pairs[0].mongain = 0xFFFEFFFE;
    state.pairs[0].volume = 0xFFFFFFFF;  // 0 dB
    state.pairs[1].volume = 0xFFFFFFFF;
    CardMix mix;
    mix.Publish(state);
    mix.Process(card.b, frames);  // the gains settle
    struct Path {
      const float* in;
      float* out;
      std::uint32_t delay;
    };
    const Path paths[] = {
        {card.b.line[0], card.b.record[0], kAdFrames},
        {card.b.line[0], card.b.out[0], kAdFrames + kDaFrames},  // monitored
        {card.b.playback[2], card.b.out[2], kDaFrames},
        {card.b.spdif_in[1], card.b.record_spdif[1], 0},
        {card.b.playback_spdif[0], card.b.spdif_out[0], 0},
    };
    std::vector<std::vector<float>> heard(std::size(paths));
    for (std::uint32_t t = 0; t < 100; t += frames) {
      for (const Path& p : paths) const_cast<float*>(p.in)[0] = t == 0 ? 1.0f : 0.0f;
      mix.Process(card.b, frames);
      for (std::size_t i = 0; i < std::size(paths); ++i)
        heard[i].insert(heard[i].end(), paths[i].out, paths[i].out + frames);
    }
    for (std::size_t i = 0; i < std::size(paths); ++i) {
      const auto at = std::max_element(heard[i].begin(), heard[i].end(), [](float a, float b) {
        return std::fabs(a) < std::fabs(b);
      });
      EXPECT_EQ(at - heard[i].begin(), paths[i].delay) << "path " << i << ", blocks of " << frames;
      EXPECT_GT(std::fabs(*at), 0.5f) << "path " << i;
    }
  }
}

}  // namespace
}  // namespace audio
