#pragma once
// The simulated cards on a JACK server: card k is the client "Morva k+1"
// whose ports (CardPorts) are the card's connectors (line, mic and CD
// inputs, analog and S/PDIF outputs) and the channels a program records
// from and plays through it. Its process callback hands the block's
// buffers to the card's parts (CardMix mixes them as the driver's state
// says). The engine never starts a server; a server that goes away marks
// its cards removed and makes removal_fd() readable, as the server's
// report says or, where none comes, as ServerWatch finds. The connections of
// the cards' ports can be remembered and made again (KeepConnections).
#include <jack/jack.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/connectionkeeper.h"
#include "audio/midiports.h"
#include "audio/serverwatch.h"
#include "sim/cardengine.h"

namespace audio {

constexpr int kMaxJackCards = 4;

class JackCards : public sim::CardEngine {
 public:
  JackCards();
  ~JackCards() override;
  JackCards(const JackCards&) = delete;
  JackCards& operator=(const JackCards&) = delete;

  // Makes cards 0 .. cards-1 (at most four) clients of the server that
  // JACK_DEFAULT_SERVER names, in order, and activates them. Stops at the
  // first card that cannot join and returns how many did; *why then says
  // what went wrong.
  int Open(int cards, std::string* why);
  static std::string ClientName(int card);  // "Morva 1" ...
  // Whether a client can join the server now (a short-lived one does).
  static bool ServerAnswers();

  // Remembers the connections of the opened cards' ports in file from now
  // on, and makes those it remembers now and whenever their ports come.
  void KeepConnections(const std::filesystem::path& file);

  bool Serves(int card) const override;
  void StateChanged(int card, const sim::CardState& state) override;
  std::int32_t TakePeak(sim::Dir dir, int card, int ch) override;

  // Readable once a card's server has gone away.
  int removal_fd() const { return removal_fd_; }
  // The cards whose server went away since the last call.
  std::vector<int> TakeRemovals();
  // Whether the server of the opened cards went away.
  bool ServerGone() const;
  // The cycles the server reported too late (xruns) since the cards
  // joined it.
  std::uint64_t Xruns() const;

  // The cards' MIDI ports (MidiPorts): readable when messages came in.
  int midi_fd() const { return midi_fd_; }
  // Hands every message that came in since the last call to take.
  void TakeMidi(const std::function<void(int card, const MidiEvent& e)>& take);
  // Queues a message for a card's MIDI output; false when it is dropped.
  bool SendMidi(int card, const MidiEvent& e);

 private:
  struct Card;
  std::array<std::unique_ptr<Card>, kMaxJackCards> cards_;
  int opened_ = 0;
  int removal_fd_ = -1;
  int midi_fd_ = -1;
  // The keeper's own client, without ports or callbacks: a card's client
  // is asked to change the graph only by its own thread (PipeWire's JACK
  // library aborts when a port's latency is told while another thread
  // connects through the same client).
  jack_client_t* keeper_client_ = nullptr;
  ConnectionKeeper keeper_;
  std::unique_ptr<ServerWatch> watch_;
};

}  // namespace audio
