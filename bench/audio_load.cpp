// morva-audio-load SECONDS [CARDS]: the simulated cards on the JACK server
// that JACK_DEFAULT_SERVER names, every path of their mix busy (each input
// source, playback, the monitor), measured for SECONDS after a warm-up:
// the blocks that came too late (xruns), this process's share of a core
// and the server's DSP load.
// morva-audio-load --play SECONDS [CARDS]: a client that plays a sine into
// every input of the cards for SECONDS.
// morva-audio-load --idle SECONDS [CARDS]: the control: clients named and
// ported as the cards that only clear their outputs, measured the same way;
// what they suffer is the machine's, not the mix's.
// morva-audio-load --mix SECONDS: one card's mix alone, without a server:
// blocks of 128 frames, every path busy, for SECONDS; the time per block.
// bench/audio_load.sh starts a private server and both; never a test.
#include <jack/jack.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "audio/cardmix.h"
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

// A card's ports of one direction, without the client's name.
std::vector<std::string> CardPorts(bool inputs) {
  std::vector<std::string> names;
  const auto numbered = inputs ? std::vector<const char*>{"Line In ", "Mic In ", "Playback "}
                               : std::vector<const char*>{"Analog Out ", "Record "};
  const auto paired = inputs ? std::vector<const char*>{"CD In ", "S/PDIF In ", "Playback S/PDIF "}
                             : std::vector<const char*>{"S/PDIF Out ", "Record S/PDIF "};
  for (const char* kind : numbered)
    for (int ch = 1; ch <= 8; ++ch) names.push_back(kind + std::to_string(ch));
  for (const char* kind : paired)
    for (const char* side : {"L", "R"}) names.push_back(std::string(kind) + side);
  return names;
}

int Play(int seconds, int cards) {
  Player p;
  jack_status_t status{};
  p.client = jack_client_open("morva-load-player", JackNoStartServer, &status);
  if (!p.client) return 1;
  std::vector<std::string> targets;
  for (int c = 0; c < cards; ++c)
    for (const std::string& port : CardPorts(true))
      targets.push_back(audio::JackCards::ClientName(c) + ":" + port);
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

// A client that owns a card's ports and only clears its outputs; it counts
// the late cycles as the cards do.
struct IdleCard {
  jack_client_t* client = nullptr;
  std::vector<jack_port_t*> outs;
  std::atomic<std::uint64_t> xruns{0};
  jack_nframes_t last_xrun = 0;

  static int Process(jack_nframes_t n, void* arg) {
    for (jack_port_t* p : static_cast<IdleCard*>(arg)->outs)
      std::fill_n(static_cast<float*>(jack_port_get_buffer(p, n)), n, 0.0f);
    return 0;
  }
  static int Xrun(void* arg) {
    auto* self = static_cast<IdleCard*>(arg);
    const jack_nframes_t now = jack_frame_time(self->client);
    if (self->xruns == 0 || now - self->last_xrun >= jack_get_buffer_size(self->client))
      ++self->xruns;
    self->last_xrun = now;
    return 0;
  }
  bool Open(int card) {
    jack_status_t status{};
    client =
        jack_client_open(audio::JackCards::ClientName(card).c_str(), JackNoStartServer, &status);
    if (!client) return false;
    for (bool inputs : {true, false})
      for (const std::string& name : CardPorts(inputs)) {
        jack_port_t* p = jack_port_register(client, name.c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                            inputs ? JackPortIsInput : JackPortIsOutput, 0);
        if (!inputs) outs.push_back(p);
      }
    jack_set_process_callback(client, &Process, this);
    jack_set_xrun_callback(client, &Xrun, this);
    return jack_activate(client) == 0;
  }
  ~IdleCard() {
    if (client) jack_client_close(client);
  }
};

int Report(int seconds, int cards, const std::function<std::uint64_t()>& xruns_now);

// Every path busy: each pair on another source, monitored ("OnPunch"), the
// faders in the middle of their travel.
sim::CardState BusyState() {
  sim::CardState state;
  for (int pair = 0; pair < 4; ++pair) {
    const std::uint32_t source = static_cast<std::uint32_t>(pair % 3);
    state.pairs[pair].inpair = source | source << 16 | 2u << 24;
    state.pairs[pair].volume = 0xE000E000;
    state.pairs[pair].mongain = 0x90009000;
  }
  return state;
}

constexpr std::uint32_t kMixFrames = 128;

int Mix(int seconds) {
  constexpr std::uint32_t kFrames = kMixFrames;
  std::vector<std::vector<float>> ports;
  ports.reserve(64);
  auto port = [&ports] {
    ports.emplace_back(kMixFrames);
    for (std::uint32_t k = 0; k < kMixFrames; ++k)
      ports.back()[k] = 0.2f * std::sin(2 * std::numbers::pi_v<float> * (k % 64) / 64);
    return ports.back().data();
  };
  audio::CardBuffers b;
  for (int ch = 0; ch < audio::kAnalog; ++ch) {
    b.line[ch] = port();
    b.mic[ch] = port();
    b.playback[ch] = port();
    b.out[ch] = port();
    b.record[ch] = port();
  }
  for (int i = 0; i < audio::kSpdif; ++i) {
    b.cd[i] = port();
    b.spdif_in[i] = port();
    b.playback_spdif[i] = port();
    b.spdif_out[i] = port();
    b.record_spdif[i] = port();
  }
  audio::CardMix mix;
  mix.Publish(BusyState());
  std::uint64_t blocks = 0;
  const auto start = std::chrono::steady_clock::now();
  const auto end = start + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    for (int i = 0; i < 1000; ++i) mix.Process(b, kFrames);
    blocks += 1000;
  }
  const double ns =
      std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  std::printf("one card's mix, %llu blocks of %u frames: %.0f ns a block\n",
              static_cast<unsigned long long>(blocks), kFrames, ns / static_cast<double>(blocks));
  return 0;
}

int Idle(int seconds, int cards) {
  std::vector<std::unique_ptr<IdleCard>> idle;
  for (int c = 0; c < cards; ++c) {
    idle.push_back(std::make_unique<IdleCard>());
    if (!idle.back()->Open(c)) return 1;
  }
  return Report(seconds, cards, [&idle] {
    std::uint64_t n = 0;
    for (const auto& card : idle) n = std::max<std::uint64_t>(n, card->xruns);
    return n;
  });
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
  const sim::CardState busy = BusyState();
  for (int c = 0; c < cards; ++c) {
    for (int pair = 0; pair < 4; ++pair) {
      system.SetPairField(c, pair, sim::PairField::InPair, busy.pairs[pair].inpair);
      system.SetPairField(c, pair, sim::PairField::Volume, busy.pairs[pair].volume);
      system.SetPairField(c, pair, sim::PairField::MonGain, busy.pairs[pair].mongain);
    }
  }
  const int result = Report(seconds, cards, [&engine] { return engine.Xruns(); });
  system.SetEngine(nullptr);
  return result;
}

int Report(int seconds, int cards, const std::function<std::uint64_t()>& xruns_now) {
  jack_status_t status{};
  jack_client_t* meter = jack_client_open("morva-load-meter", JackNoStartServer, &status);
  std::this_thread::sleep_for(std::chrono::seconds(2));  // the player joins, caches warm
  const std::uint64_t xruns = xruns_now();
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
              static_cast<unsigned long long>(xruns_now() - xruns), share);
  if (load_samples) std::printf(", server DSP load %.2f %%", load_sum / load_samples);
  std::printf("\n");
  if (meter) jack_client_close(meter);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 && argv[1][0] == '-' ? argv[1] : "";
  const int first = mode.empty() ? 1 : 2;
  const int seconds = argc > first ? std::atoi(argv[first]) : 60;
  const int cards = argc > first + 1 ? std::atoi(argv[first + 1]) : 4;
  if (seconds <= 0 || cards < 1 || cards > audio::kMaxJackCards ||
      !(mode.empty() || mode == "--play" || mode == "--idle" || mode == "--mix")) {
    std::fprintf(stderr, "usage: morva-audio-load [--play|--idle|--mix] SECONDS [CARDS 1-4]\n");
    return 2;
  }
  if (mode == "--play") return Play(seconds, cards);
  if (mode == "--mix") return Mix(seconds);
  return mode == "--idle" ? Idle(seconds, cards) : Measure(seconds, cards);
}
