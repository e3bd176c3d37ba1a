#include "audio/jackcards.h"

#include <jack/jack.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <mutex>

#include "audio/cardmix.h"
#include "audio/cardports.h"

namespace audio {

struct JackCards::Card {
  jack_client_t* client = nullptr;
  int removal_fd = -1;
  int midi_fd = -1;
  ConnectionKeeper* keeper = nullptr;
  CardPorts ports;
  MidiPorts midi;
  CardMix mix;
  std::atomic<bool> gone{false};
  std::atomic<std::uint64_t> cycles{0};
  bool reported = false;
  std::atomic<std::uint64_t> xruns{0};
  bool xrun_seen = false;  // the notification thread's own
  jack_nframes_t last_xrun_frame = 0;
  // The latencies are told only on the library's own thread, and only
  // between the end of the activation and the start of the closing:
  // PipeWire's JACK library aborts when a port is told its latency while
  // another thread activates or deactivates its client.
  std::mutex report_lock;
  bool report_latency = false;

  bool Join(const std::string& name, jack_status_t* status);
  void Gone();
  void ReportLatency(std::initializer_list<jack_latency_callback_mode_t> modes);
  void Reporting(bool on);
  static int Process(jack_nframes_t nframes, void* arg);
  static void Latency(jack_latency_callback_mode_t mode, void* arg);
  static void Shutdown(void* arg);
  static void InfoShutdown(jack_status_t, const char*, void* arg);
  static int Xrun(void* arg);
  static void PortRegistered(jack_port_id_t, int, void* arg);
  static void PortConnected(jack_port_id_t, jack_port_id_t, int, void* arg);
};

namespace {

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

// The real-time thread: each part of the card takes its buffers, nothing
// else; a cycle in which MIDI came in wakes the program with one word to
// its eventfd, which never blocks (the one system call here).
int JackCards::Card::Process(jack_nframes_t nframes, void* arg) {
  auto* card = static_cast<Card*>(arg);
  card->mix.Process(card->ports.Buffers(nframes), nframes);
  if (card->midi.Process(nframes)) {
    const std::uint64_t one = 1;
    if (::write(card->midi_fd, &one, sizeof one) < 0) {
      // The counter is full or the descriptor gone: the messages wait.
    }
  }
  card->cycles.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

void JackCards::Card::ReportLatency(std::initializer_list<jack_latency_callback_mode_t> modes) {
  std::lock_guard<std::mutex> hold(report_lock);
  if (!report_latency) return;
  for (const jack_latency_callback_mode_t mode : modes) ports.ReportLatency(mode);
}

void JackCards::Card::Reporting(bool on) {
  std::lock_guard<std::mutex> hold(report_lock);
  report_latency = on;
}

void JackCards::Card::Latency(jack_latency_callback_mode_t mode, void* arg) {
  static_cast<Card*>(arg)->ReportLatency({mode});
}

// The server is gone: a flag and a word to the eventfd, both safe here.
// JACK's own server reports it through the detailed callback; PipeWire's
// JACK library calls only the plain one, so both are set.
void JackCards::Card::Gone() {
  if (gone.exchange(true, std::memory_order_acq_rel)) return;
  const std::uint64_t one = 1;
  if (::write(removal_fd, &one, sizeof one) < 0) {
    // The flag alone still tells the next TakeRemovals.
  }
}

void JackCards::Card::Shutdown(void* arg) {
  static_cast<Card*>(arg)->Gone();
}

void JackCards::Card::InfoShutdown(jack_status_t, const char*, void* arg) {
  static_cast<Card*>(arg)->Gone();
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

// Ports came or went, connections were made or undone: the keeper looks
// from its own thread. The latencies are told again here too: PipeWire's
// JACK library may not ask before a port is connected, nor every time a
// peer's latency becomes known.
void JackCards::Card::PortRegistered(jack_port_id_t, int, void* arg) {
  auto* card = static_cast<Card*>(arg);
  card->keeper->Poke();
  card->ReportLatency({JackCaptureLatency, JackPlaybackLatency});
}

void JackCards::Card::PortConnected(jack_port_id_t, jack_port_id_t, int, void* arg) {
  auto* card = static_cast<Card*>(arg);
  card->keeper->Poke();
  card->ReportLatency({JackCaptureLatency, JackPlaybackLatency});
}

bool JackCards::Card::Join(const std::string& name, jack_status_t* status) {
  client = jack_client_open(
      name.c_str(), static_cast<jack_options_t>(JackNoStartServer | JackUseExactName), status);
  if (client == nullptr) return false;
  jack_set_process_callback(client, &Process, this);
  jack_set_latency_callback(client, &Latency, this);
  jack_on_shutdown(client, &Shutdown, this);
  jack_on_info_shutdown(client, &InfoShutdown, this);
  jack_set_xrun_callback(client, &Xrun, this);
  jack_set_port_registration_callback(client, &PortRegistered, this);
  jack_set_port_connect_callback(client, &PortConnected, this);
  return true;
}

JackCards::JackCards()
    : removal_fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      midi_fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

JackCards::~JackCards() {
  watch_.reset();
  // Deactivating disconnects the cards' ports: the keeper has stopped by then.
  keeper_.Stop();
  if (keeper_client_) jack_client_close(keeper_client_);
  for (int c = 0; c < opened_; ++c) {
    Card& card = *cards_[c];
    card.Reporting(false);
    if (!card.gone.load(std::memory_order_acquire)) jack_deactivate(card.client);
    jack_client_close(card.client);
  }
  if (removal_fd_ >= 0) ::close(removal_fd_);
  if (midi_fd_ >= 0) ::close(midi_fd_);
}

std::string JackCards::ClientName(int card) {
  return "Morva " + std::to_string(card + 1);
}

bool JackCards::ServerAnswers() {
  jack_set_error_function(&Quiet);
  jack_set_info_function(&Quiet);
  jack_status_t status{};
  jack_client_t* probe = jack_client_open("Morva", JackNoStartServer, &status);
  if (probe) jack_client_close(probe);
  return probe != nullptr;
}

int JackCards::Open(int cards, std::string* why) {
  // The engine says what went wrong itself, once and in its own words.
  jack_set_error_function(&Quiet);
  jack_set_info_function(&Quiet);
  for (int c = opened_; c < std::min(cards, kMaxJackCards); ++c) {
    auto card = std::make_unique<Card>();
    card->removal_fd = removal_fd_;
    card->midi_fd = midi_fd_;
    card->keeper = &keeper_;
    jack_status_t status{};
    if (!card->Join(ClientName(c), &status)) {
      if (why) *why = Why(status);
      break;
    }
    if (!card->ports.Register(card->client) || !card->midi.Register(card->client) ||
        jack_activate(card->client) != 0) {
      jack_client_close(card->client);
      if (why) *why = "the audio server would not take its ports";
      break;
    }
    // JACK's server then asks every port for its latency on the library's
    // thread; PipeWire's asks once a port is connected.
    card->Reporting(true);
    jack_recompute_total_latencies(card->client);
    cards_[c] = std::move(card);
    opened_ = c + 1;
  }
  // The cards opened now share one server; the watch looks at them.
  if (opened_ > 0 && !watch_) {
    std::vector<Card*> watched;
    for (int c = 0; c < opened_; ++c) watched.push_back(cards_[c].get());
    ServerWatch::Hooks hooks;
    hooks.cycles = [watched] {
      std::uint64_t n = 0;
      for (const Card* card : watched) n += card->cycles.load(std::memory_order_relaxed);
      return n;
    };
    hooks.answers = &ServerAnswers;
    hooks.lost = [watched] {
      for (Card* card : watched) card->Gone();
    };
    watch_ = std::make_unique<ServerWatch>(std::move(hooks));
  }
  return opened_;
}

void JackCards::KeepConnections(const std::filesystem::path& file) {
  if (opened_ == 0) return;
  if (!keeper_client_) {
    jack_status_t status{};
    keeper_client_ = jack_client_open("Morva Connections", JackNoStartServer, &status);
    if (!keeper_client_) return;
  }
  std::vector<std::string> ours;
  for (int c = 0; c < opened_; ++c) {
    for (jack_port_t* p : cards_[c]->ports.All()) ours.emplace_back(jack_port_name(p));
    // A controller's connections are remembered too.
    for (jack_port_t* p : cards_[c]->midi.Ports()) ours.emplace_back(jack_port_name(p));
  }
  keeper_.Start(file, keeper_client_, std::move(ours), &cards_[0]->gone);
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

bool JackCards::ServerGone() const {
  return std::any_of(cards_.begin(), cards_.begin() + opened_,
                     [](const auto& card) { return card->gone.load(std::memory_order_acquire); });
}

std::uint64_t JackCards::Xruns() const {
  // Every card hears each of the server's reports.
  std::uint64_t n = 0;
  for (int c = 0; c < opened_; ++c)
    n = std::max(n, cards_[c]->xruns.load(std::memory_order_relaxed));
  return n;
}

void JackCards::TakeMidi(const std::function<void(int card, const MidiEvent& e)>& take) {
  std::uint64_t count = 0;
  if (::read(midi_fd_, &count, sizeof count) < 0) {
    // Nothing waiting: the rings say the same.
  }
  MidiEvent e;
  for (int c = 0; c < opened_; ++c)
    while (cards_[c]->midi.Take(e)) take(c, e);
}

bool JackCards::SendMidi(int card, const MidiEvent& e) {
  return Serves(card) && cards_[card]->midi.Queue(e);
}

}  // namespace audio
