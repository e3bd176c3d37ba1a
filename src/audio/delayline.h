#pragma once
// A fixed delay of K samples applied to a block in place: what a converter
// does to the signal passing it. Allocates nothing; any block length works.
#include <algorithm>
#include <array>
#include <cstdint>

namespace audio {

template <std::uint32_t K>
class DelayLine {
  static_assert(K > 0);

 public:
  void Apply(float* s, std::uint32_t n) {
    std::array<float, K> next;
    if (n >= K) {
      // The block's last K samples wait for the next block; the rest move
      // back by K behind the samples that waited.
      std::copy(s + n - K, s + n, next.begin());
      std::copy_backward(s, s + n - K, s + n);
      std::copy(held_.begin(), held_.end(), s);
    } else {
      // A block shorter than the delay takes the oldest waiting samples.
      std::copy(held_.begin() + n, held_.end(), next.begin());
      std::copy(s, s + n, next.begin() + (K - n));
      std::copy(held_.begin(), held_.begin() + n, s);
    }
    held_ = next;
  }

 private:
  std::array<float, K> held_{};
};

}  // namespace audio
