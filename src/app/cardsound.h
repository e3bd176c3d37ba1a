#pragma once
// The sound behind the simulated cards, as MORVA_SIM chooses it: with
// audio=jack each card becomes a JACK client; a card that cannot become one
// is absent, as a card whose driver does not answer, and a line on the error
// stream says why. A card whose audio server goes away while the program
// runs is removed: the system announces it with WM_DEVICECHANGE. The
// connections of the cards' ports are remembered in the folder given
// (unless the knob connections=off says not to) and made again. Each card
// takes MIDI, for control from outside.
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <vector>

#include "sim/system.h"
#include "ui/application.h"

namespace app {

class CardSound {
 public:
  // The connections' file in the folder given.
  static constexpr const char* kConnectionsFile = "Morva.jack";

  // nullptr where the signal model makes the levels (the default). An empty
  // folder remembers no connections.
  static std::unique_ptr<CardSound> Open(sim::System& system, std::ostream& err,
                                         const std::filesystem::path& dir = {});
  virtual ~CardSound() = default;

  // Readable once a card's audio server has gone away; -1 if never.
  virtual int removal_fd() const = 0;
  // Posts the system's query to remove each card whose server went away
  // since the last call to every window of the program.
  virtual void AnnounceRemovals(ui::TApplication& app) = 0;
  // Whether the cards' audio server went away.
  virtual bool ServerGone() const = 0;

  // The cards' MIDI inputs and outputs: readable when messages came in;
  // -1 where the cards take no MIDI.
  virtual int midi_fd() const { return -1; }
  // Hands each message that came in since the last call, with its card
  // (from 0), to take.
  using MidiTake = std::function<void(int card, const std::uint8_t* bytes, std::size_t size)>;
  virtual void TakeMidi(const MidiTake& /*take*/) {}
  virtual void SendMidi(int /*card*/, const std::array<std::uint8_t, 3>& /*message*/) {}

  // Waits, asking every interval, until a client can join the audio server
  // again, at most limit (milliseconds::max(): for as long as it takes);
  // true when one could.
  static bool AwaitAudioServer(std::chrono::milliseconds limit,
                               std::chrono::milliseconds interval = std::chrono::milliseconds(500));
};

}  // namespace app
