// morva-audio-load SECONDS [CARDS]: the simulated cards on the JACK server
// that JACK_DEFAULT_SERVER names, every path of their mix busy (each input
// source, playback, the monitor), measured for SECONDS after a warm-up:
// the blocks that came too late (xruns), this process's share of a core
// and the server's DSP load.
// morva-audio-load --play SECONDS [CARDS]: a client that plays a sine into
// every input of the cards for SECONDS.
// bench/audio_load.sh starts a private server and both; never a test.
#include <jack/jack.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "audio/jackcards.h"
#include "sim/clock.h"
#include "sim/system.h"

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  auto s = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return s(u.ru_utime) + s(u.ru_stime);
}

struct Player {
  jack_client_t* client = nullptr;
  std::vector<jack_port_t*> ports;
  std::uint32_t phase = 0;

  static int Process(jack_nframes_t n, void* arg) {
    auto* self = static_cast<Player*>(arg);
    for (std::size_t i = 0; i < self->ports.size(); ++i) {
      auto* out = static_cast<float*>(jack_port_get_buffer(self->ports[i], n));
      for (jack_nframes_t k = 0; k < n; ++k)
        out[k] = 0.2f * std::sin(2 * std::numbers::pi_v<float> * ((self->phase + k + i) % 64) / 64);
    }
    self->phase = (self->phase + n) % 64;
    return 0;
  }
};

int Play(int seconds, int cards) {
  Player p;
  jack_status_t status{};
  p.client = jack_client_open("morva-load-player", JackNoStartServer, &status);
  if (!p.client) return 1;
  std::vector<std::string> targets;
  for (int c = 0; c < cards; ++c) {
    const std::string card = audio::JackCards::ClientName(c) + ":";
    for (const char* kind : {"Line In ", "Mic In ", "Playback "})
      for (int ch = 1; ch <= 8; ++ch) targets.push_back(card + kind + std::to_string(ch));
    for (const char* kind : {"CD In ", "S/PDIF In ", "Playback S/PDIF "})
      for (const char* side : {"L", "R"}) targets.push_back(card + kind + side);
  }
  for (std::size_t i = 0; i < targets.size(); ++i)
    p.ports.push_back(jack_port_register(p.client, ("out " + std::to_string(i)).c_str(),
                                         JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0));
  jack_set_process_callback(p.client, &Player::Process, &p);
  if (jack_activate(p.client) != 0) return 1;
  for (std::size_t i = 0; i < targets.size(); ++i)
    jack_connect(p.client, jack_port_name(p.ports[i]), targets[i].c_str());
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  jack_client_close(p.client);
  return 0;
}

int Measure(int seconds, int cards) {
  sim::RealClock clock;
  sim::Knobs knobs;
  knobs.cards = cards;
  sim::System system(clock, knobs);
  audio::JackCards engine;
  std::string why;
  if (engine.Open(cards, &why) != cards) {
    std::fprintf(stderr, "morva-audio-load: %s\n", why.c_str());
    return 1;
  }
  system.SetEngine(&engine);
  // Every path busy: each pair on another source, monitored ("OnPunch"),
  // the faders in the middle of their travel.
  for (int c = 0; c < cards; ++c) {
    for (int pair = 0; pair < 4; ++pair) {
      const std::uint32_t source = static_cast<std::uint32_t>(pair % 3);
      system.SetPairField(c, pair, sim::PairField::InPair, source | source << 16 | 2u << 24);
      system.SetPairField(c, pair, sim::PairField::Volume, 0xE000E000);
      system.SetPairField(c, pair, sim::PairField::MonGain, 0x90009000);
    }
  }
  jack_status_t status{};
  jack_client_t* meter = jack_client_open("morva-load-meter", JackNoStartServer, &status);
  std::this_thread::sleep_for(std::chrono::seconds(2));  // the player joins, caches warm
  const std::uint64_t xruns = engine.Xruns();
  const double cpu = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  double load_sum = 0;
  int load_samples = 0;
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(seconds)) {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    if (meter) {
      load_sum += jack_cpu_load(meter);
      ++load_samples;
    }
  }
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double share = (CpuSeconds() - cpu) / wall * 100;
  std::printf("cards %d, %.0f s at %u Hz, %u frames: xruns %llu, cards' process %.2f %% of a core",
              cards, wall, meter ? jack_get_sample_rate(meter) : 0,
              meter ? jack_get_buffer_size(meter) : 0,
              static_cast<unsigned long long>(engine.Xruns() - xruns), share);
  if (load_samples) std::printf(", server DSP load %.2f %%", load_sum / load_samples);
  std::printf("\n");
  if (meter) jack_client_close(meter);
  system.SetEngine(nullptr);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool play = argc > 1 && std::string(argv[1]) == "--play";
  const int first = play ? 2 : 1;
  const int seconds = argc > first ? std::atoi(argv[first]) : 60;
  const int cards = argc > first + 1 ? std::atoi(argv[first + 1]) : 4;
  if (seconds <= 0 || cards < 1 || cards > audio::kMaxJackCards) {
    std::fprintf(stderr, "usage: morva-audio-load [--play] SECONDS [CARDS 1-4]\n");
    return 2;
  }
  return play ? Play(seconds, cards) : Measure(seconds, cards);
}
