#pragma once
// A JACK client that plays sines of known amplitude into chosen ports and
// measures the peaks of others: 750 Hz at 48 kHz, so every period holds the
// sine's top as a sample and a peak reads the amplitude exactly.
#include <jack/jack.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class SignalClient {
 public:
  static constexpr int kMax = 8;

  // plays[i] is the port the sine i goes to, listens[j] the port peak j
  // comes from.
  SignalClient(const std::vector<std::string>& plays, const std::vector<std::string>& listens) {
    jack_status_t status{};
    client_ = jack_client_open("morva-test", JackNoStartServer, &status);
    if (!client_) return;
    for (std::size_t i = 0; i < plays.size(); ++i)
      out_[i] = jack_port_register(client_, ("play " + std::to_string(i)).c_str(),
                                   JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    for (std::size_t j = 0; j < listens.size(); ++j)
      in_[j] = jack_port_register(client_, ("listen " + std::to_string(j)).c_str(),
                                  JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client_, &Process, this);
    ok_ = jack_activate(client_) == 0;
    for (std::size_t i = 0; i < plays.size(); ++i)
      ok_ = ok_ && jack_connect(client_, jack_port_name(out_[i]), plays[i].c_str()) == 0;
    for (std::size_t j = 0; j < listens.size(); ++j)
      ok_ = ok_ && jack_connect(client_, listens[j].c_str(), jack_port_name(in_[j])) == 0;
  }
  ~SignalClient() {
    if (client_) jack_client_close(client_);
  }
  SignalClient(const SignalClient&) = delete;
  SignalClient& operator=(const SignalClient&) = delete;

  bool ok() const { return ok_; }
  void SetAmplitude(int play, float a) { amplitude_[play].store(a); }
  // The peak at a listened port once what was just changed has come
  // through: a few blocks pass, then the peak of the next four, until two
  // such readings agree (a busy server may hand on a late client's last
  // block for a while).
  float SettledPeak(int listen) {
    WaitBlocks(6);
    float last = -1.0f;
    for (int reading = 0; reading < 10; ++reading) {
      peak_[listen].store(0.0f);
      WaitBlocks(4);
      const float peak = peak_[listen].load();
      if (std::fabs(peak - last) <= 1e-4f * std::max(peak, 1e-3f)) return peak;
      last = peak;
    }
    return last;
  }
  // Blocks handled so far.
  std::uint64_t blocks() const { return blocks_.load(); }
  void WaitBlocks(int n) {
    const std::uint64_t until = blocks_.load() + n;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (blocks_.load() < until && std::chrono::steady_clock::now() < give_up)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

 private:
  static int Process(jack_nframes_t n, void* arg) {
    auto* self = static_cast<SignalClient*>(arg);
    for (int i = 0; i < kMax && self->out_[i]; ++i) {
      auto* out = static_cast<float*>(jack_port_get_buffer(self->out_[i], n));
      const float a = self->amplitude_[i].load(std::memory_order_relaxed);
      for (jack_nframes_t k = 0; k < n; ++k)
        out[k] = a * std::sin(2 * std::numbers::pi_v<float> * ((self->phase_ + k) % 64) / 64);
    }
    self->phase_ = (self->phase_ + n) % 64;
    for (int j = 0; j < kMax && self->in_[j]; ++j) {
      const auto* in = static_cast<const float*>(jack_port_get_buffer(self->in_[j], n));
      float top = 0;
      for (jack_nframes_t k = 0; k < n; ++k) top = std::max(top, std::fabs(in[k]));
      float seen = self->peak_[j].load();
      while (top > seen && !self->peak_[j].compare_exchange_weak(seen, top)) {
      }
    }
    self->blocks_.fetch_add(1);
    return 0;
  }

  jack_client_t* client_ = nullptr;
  bool ok_ = false;
  std::array<jack_port_t*, kMax> out_{}, in_{};
  std::array<std::atomic<float>, kMax> amplitude_{};
  std::array<std::atomic<float>, kMax> peak_{};
  std::atomic<std::uint64_t> blocks_{0};
  jack_nframes_t phase_ = 0;
};

}  // namespace testing_support
