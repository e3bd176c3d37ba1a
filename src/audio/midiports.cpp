#include "audio/midiports.h"

#include <jack/midiport.h>

#include <algorithm>

namespace audio {

bool MidiRing::Push(const MidiEvent& e) {
  const std::size_t head = head_.load(std::memory_order_relaxed);
  const std::size_t next = (head + 1) % kSlots;
  if (next == tail_.load(std::memory_order_acquire)) {
    dropped_.fetch_add(1, std::memory_order_relaxed);
    return false;
  }
  slots_[head] = e;
  head_.store(next, std::memory_order_release);
  return true;
}

bool MidiRing::Pop(MidiEvent& e) {
  const std::size_t tail = tail_.load(std::memory_order_relaxed);
  if (tail == head_.load(std::memory_order_acquire)) return false;
  e = slots_[tail];
  tail_.store((tail + 1) % kSlots, std::memory_order_release);
  return true;
}

bool MidiPorts::Register(jack_client_t* client) {
  in_ = jack_port_register(client, "MIDI In", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  out_ = jack_port_register(client, "MIDI Out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  return in_ && out_;
}

// The real-time side: no lock, no allocation, no system call.
bool MidiPorts::Process(jack_nframes_t nframes) {
  bool came = false;
  if (in_) {
    void* buffer = jack_port_get_buffer(in_, nframes);
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    for (std::uint32_t i = 0; i < count; ++i) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, buffer, i) != 0) continue;
      MidiEvent e;
      e.size = static_cast<std::uint8_t>(std::min<std::size_t>(event.size, 4));
      std::copy_n(event.buffer, std::min<std::size_t>(event.size, 3), e.bytes.begin());
      incoming_.Push(e);
      came = true;
    }
  }
  if (out_) {
    void* buffer = jack_port_get_buffer(out_, nframes);
    jack_midi_clear_buffer(buffer);
    MidiEvent e;
    // What does not fit this cycle's buffer is dropped, as a full ring's.
    while (outgoing_.Pop(e))
      if (e.size > 0 && e.size <= 3) jack_midi_event_write(buffer, 0, e.bytes.data(), e.size);
  }
  return came;
}

}  // namespace audio
