#include "audio/jackcards.h"

#include <jack/jack.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "audio/cardmix.h"

namespace audio {

struct JackCards::Card {
  jack_client_t* client = nullptr;
  int removal_fd = -1;
  CardMix mix;
  std::array<jack_port_t*, kAnalog> line{}, mic{}, out{}, record{}, playback{};
  std::array<jack_port_t*, kSpdif> cd{}, spdif_in{}, spdif_out{}, record_spdif{}, playback_spdif{};
  std::atomic<bool> gone{false};
  bool reported = false;
  std::atomic<std::uint64_t> xruns{0};
  bool xrun_seen = false;  // the notification thread's own
  jack_nframes_t last_xrun_frame = 0;

  bool RegisterPorts();
  static int Process(jack_nframes_t nframes, void* arg);
  static void Shutdown(jack_status_t, const char*, void* arg);
  static int Xrun(void* arg);
};

namespace {

constexpr const char* kLeftRight[kSpdif] = {"L", "R"};

void Quiet(const char*) {}

std::string ServerName() {
  const char* name = std::getenv("JACK_DEFAULT_SERVER");
  return name && *name ? name : "default";
}

std::string Why(jack_status_t status) {
  if (status & (JackServerFailed | JackServerError))
    return "no audio server: the JACK server \"" + ServerName() + "\" is not running";
  if (status & JackNameNotUnique) return "another client of the audio server has its name";
  if (status & JackVersionError) return "the audio server speaks another protocol version";
  return "the audio server refused it";
}

}  // namespace

// The real-time thread: buffers in, CardMix, nothing else.
int JackCards::Card::Process(jack_nframes_t nframes, void* arg) {
  auto* card = static_cast<Card*>(arg);
  CardBuffers b;
  auto in = [nframes](jack_port_t* p) {
    return static_cast<const float*>(jack_port_get_buffer(p, nframes));
  };
  auto out = [nframes](jack_port_t* p) {
    return static_cast<float*>(jack_port_get_buffer(p, nframes));
  };
  for (int ch = 0; ch < kAnalog; ++ch) {
    b.line[ch] = in(card->line[ch]);
    b.mic[ch] = in(card->mic[ch]);
    b.playback[ch] = in(card->playback[ch]);
    b.out[ch] = out(card->out[ch]);
    b.record[ch] = out(card->record[ch]);
  }
  for (int i = 0; i < kSpdif; ++i) {
    b.cd[i] = in(card->cd[i]);
    b.spdif_in[i] = in(card->spdif_in[i]);
    b.playback_spdif[i] = in(card->playback_spdif[i]);
    b.spdif_out[i] = out(card->spdif_out[i]);
    b.record_spdif[i] = out(card->record_spdif[i]);
  }
  card->mix.Process(b, nframes);
  return 0;
}

// The server is gone: a flag and a word to the eventfd, both safe here.
void JackCards::Card::Shutdown(jack_status_t, const char*, void* arg) {
  auto* card = static_cast<Card*>(arg);
  card->gone.store(true, std::memory_order_release);
  const std::uint64_t one = 1;
  if (::write(card->removal_fd, &one, sizeof one) < 0) {
    // The flag alone still tells the next TakeRemovals.
  }
}

// The server tells every client once for each client that was late in a
// cycle, so one late cycle arrives as a burst: counted once.
int JackCards::Card::Xrun(void* arg) {
  auto* card = static_cast<Card*>(arg);
  const jack_nframes_t now = jack_frame_time(card->client);
  if (!card->xrun_seen || now - card->last_xrun_frame >= jack_get_buffer_size(card->client))
    card->xruns.fetch_add(1, std::memory_order_relaxed);
  card->xrun_seen = true;
  card->last_xrun_frame = now;
  return 0;
}

bool JackCards::Card::RegisterPorts() {
  auto port = [this](const std::string& name, unsigned long flags) {
    return jack_port_register(client, name.c_str(), JACK_DEFAULT_AUDIO_TYPE, flags, 0);
  };
  const unsigned long kIn = JackPortIsInput, kOut = JackPortIsOutput;
  bool ok = true;
  auto each = [&](auto& ports, const std::string& prefix, unsigned long flags, bool numbered) {
    for (std::size_t i = 0; i < ports.size(); ++i) {
      ports[i] = port(prefix + (numbered ? std::to_string(i + 1) : kLeftRight[i]), flags);
      ok = ok && ports[i] != nullptr;
    }
  };
  // The card's connectors, then what programs record from and play through it.
  each(line, "Line In ", kIn, true);
  each(mic, "Mic In ", kIn, true);
  each(cd, "CD In ", kIn, false);
  each(spdif_in, "S/PDIF In ", kIn, false);
  each(out, "Analog Out ", kOut, true);
  each(spdif_out, "S/PDIF Out ", kOut, false);
  each(record, "Record ", kOut, true);
  each(record_spdif, "Record S/PDIF ", kOut, false);
  each(playback, "Playback ", kIn, true);
  each(playback_spdif, "Playback S/PDIF ", kIn, false);
  return ok;
}

JackCards::JackCards() : removal_fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

JackCards::~JackCards() {
  for (int c = 0; c < opened_; ++c) {
    Card& card = *cards_[c];
    if (!card.gone.load(std::memory_order_acquire)) jack_deactivate(card.client);
    jack_client_close(card.client);
  }
  if (removal_fd_ >= 0) ::close(removal_fd_);
}

std::string JackCards::ClientName(int card) {
  return "Morva " + std::to_string(card + 1);
}

int JackCards::Open(int cards, std::string* why) {
  // The engine says what went wrong itself, once and in its own words.
  jack_set_error_function(&Quiet);
  jack_set_info_function(&Quiet);
  for (int c = opened_; c < std::min(cards, kMaxJackCards); ++c) {
    auto card = std::make_unique<Card>();
    card->removal_fd = removal_fd_;
    jack_status_t status{};
    card->client = jack_client_open(
        ClientName(c).c_str(), static_cast<jack_options_t>(JackNoStartServer | JackUseExactName),
        &status);
    if (card->client == nullptr) {
      if (why) *why = Why(status);
      break;
    }
    jack_set_process_callback(card->client, &Card::Process, card.get());
    jack_on_info_shutdown(card->client, &Card::Shutdown, card.get());
    jack_set_xrun_callback(card->client, &Card::Xrun, card.get());
    if (!card->RegisterPorts() || jack_activate(card->client) != 0) {
      jack_client_close(card->client);
      if (why) *why = "the audio server would not take its ports";
      break;
    }
    cards_[c] = std::move(card);
    opened_ = c + 1;
  }
  return opened_;
}

bool JackCards::Serves(int card) const {
  return card >= 0 && card < opened_;
}

void JackCards::StateChanged(int card, const sim::CardState& state) {
  if (Serves(card)) cards_[card]->mix.Publish(state);
}

std::int32_t JackCards::TakePeak(sim::Dir dir, int card, int ch) {
  return Serves(card) ? cards_[card]->mix.TakePeak(dir, ch) : 0;
}

std::vector<int> JackCards::TakeRemovals() {
  std::uint64_t count = 0;
  if (::read(removal_fd_, &count, sizeof count) < 0) {
    // Nothing waiting: the flags below say the same.
  }
  std::vector<int> removed;
  for (int c = 0; c < opened_; ++c) {
    Card& card = *cards_[c];
    if (card.gone.load(std::memory_order_acquire) && !card.reported) {
      card.reported = true;
      removed.push_back(c);
    }
  }
  return removed;
}

std::uint64_t JackCards::Xruns() const {
  // Every card hears each of the server's reports.
  std::uint64_t n = 0;
  for (int c = 0; c < opened_; ++c)
    n = std::max(n, cards_[c]->xruns.load(std::memory_order_relaxed));
  return n;
}

}  // namespace audio
