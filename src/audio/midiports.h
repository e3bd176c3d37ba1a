#pragma once
// A card's MIDI input and output on its JACK client ("MIDI In", "MIDI
// Out"). The process callback reads what came in into a ring and writes
// what the program queued for the output; the program takes and queues
// from its own thread. Neither side waits or allocates: the rings have a
// fixed number of slots, one writer and one reader each, and a message
// that finds its ring full is counted and dropped.
#include <jack/jack.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace audio {

// A MIDI message as it came: up to three bytes, and how many there were
// (4 for a longer one, of which the first three are kept).
struct MidiEvent {
  std::uint8_t size = 0;
  std::array<std::uint8_t, 3> bytes{};
};

class MidiRing {
 public:
  static constexpr std::size_t kSlots = 1024;
  // The writer's side; false when full (the event is dropped and counted).
  bool Push(const MidiEvent& e);
  // The reader's side; false when empty.
  bool Pop(MidiEvent& e);
  std::uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

 private:
  std::array<MidiEvent, kSlots> slots_{};
  std::atomic<std::size_t> head_{0};  // next to write
  std::atomic<std::size_t> tail_{0};  // next to read
  std::atomic<std::uint64_t> dropped_{0};
};

class MidiPorts {
 public:
  // Registers the two ports on the client; false when the server refuses.
  bool Register(jack_client_t* client);
  // In the process callback. Returns whether something came in (the
  // caller then wakes the program).
  bool Process(jack_nframes_t nframes);
  // The program's side.
  bool Take(MidiEvent& e) { return incoming_.Pop(e); }
  bool Queue(const MidiEvent& e) { return outgoing_.Push(e); }
  std::uint64_t Dropped() const { return incoming_.Dropped() + outgoing_.Dropped(); }
  // Both ports, for the connections remembered.
  std::array<jack_port_t*, 2> Ports() const { return {in_, out_}; }

 private:
  jack_port_t* in_ = nullptr;
  jack_port_t* out_ = nullptr;
  MidiRing incoming_, outgoing_;
};

}  // namespace audio
