#pragma once
// A value handed from one writer thread to one real-time reader without a
// lock: three slots, the writer fills its own and swaps it into the middle,
// the reader swaps the middle out only when something new lies there. Both
// sides are wait-free; the reader always has a whole value.
#include <array>
#include <atomic>
#include <cstdint>
#include <type_traits>

namespace audio {

template <typename T>
class Exchange {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  explicit Exchange(const T& initial = T{}) { slots_.fill(initial); }

  // Writer side.
  void Publish(const T& value) {
    slots_[back_] = value;
    back_ = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel) & kIndex;
  }

  // Reader side: the latest published value.
  const T& Latest() {
    if (middle_.load(std::memory_order_relaxed) & kFresh)
      front_ = middle_.exchange(front_, std::memory_order_acq_rel) & kIndex;
    return slots_[front_];
  }

 private:
  static constexpr std::uint8_t kIndex = 3;
  static constexpr std::uint8_t kFresh = 4;
  std::array<T, 3> slots_{};
  std::uint8_t back_ = 0;
  std::atomic<std::uint8_t> middle_{1};
  std::uint8_t front_ = 2;
};

}  // namespace audio
