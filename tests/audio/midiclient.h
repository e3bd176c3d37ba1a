#pragma once
// A JACK client with a MIDI output and input, as a controller with motor
// faders: it sends the messages it is given, at the start of its next
// cycle, and keeps what it hears. Its process callback only takes from and
// gives to the program's lock-free rings.
#include <jack/jack.h>
#include <jack/midiport.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "audio/midiports.h"

namespace testing_support {

class MidiClient {
 public:
  // sends_to: the port its output goes to; hears_from: the one its input
  // takes (either empty: not connected).
  MidiClient(const std::string& name, const std::string& sends_to, const std::string& hears_from) {
    jack_status_t status{};
    client_ = jack_client_open(name.c_str(), JackNoStartServer, &status);
    if (!client_) return;
    out_ = jack_port_register(client_, "send", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    in_ = jack_port_register(client_, "hear", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client_, &Process, this);
    ok_ = out_ && in_ && jack_activate(client_) == 0;
    if (ok_ && !sends_to.empty())
      ok_ = jack_connect(client_, jack_port_name(out_), sends_to.c_str()) == 0;
    if (ok_ && !hears_from.empty())
      ok_ = jack_connect(client_, hears_from.c_str(), jack_port_name(in_)) == 0;
  }
  ~MidiClient() {
    if (client_) jack_client_close(client_);
  }
  MidiClient(const MidiClient&) = delete;
  MidiClient& operator=(const MidiClient&) = delete;

  bool ok() const { return ok_; }
  void Send(std::vector<std::uint8_t> bytes) {
    audio::MidiEvent e;
    e.size = static_cast<std::uint8_t>(bytes.size());
    for (std::size_t i = 0; i < bytes.size() && i < e.bytes.size(); ++i) e.bytes[i] = bytes[i];
    sending_.Push(e);
  }
  // What was heard, waiting at most limit for at least count messages.
  std::vector<audio::MidiEvent> Heard(std::size_t count, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    audio::MidiEvent e;
    for (;;) {
      while (heard_.Pop(e)) got_.push_back(e);
      if (got_.size() >= count || std::chrono::steady_clock::now() > until) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return std::exchange(got_, {});
  }

 private:
  static int Process(jack_nframes_t nframes, void* arg) {
    auto* self = static_cast<MidiClient*>(arg);
    void* out = jack_port_get_buffer(self->out_, nframes);
    jack_midi_clear_buffer(out);
    audio::MidiEvent e;
    while (self->sending_.Pop(e)) jack_midi_event_write(out, 0, e.bytes.data(), e.size);
    void* in = jack_port_get_buffer(self->in_, nframes);
    const std::uint32_t n = jack_midi_get_event_count(in);
    for (std::uint32_t i = 0; i < n; ++i) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, in, i) != 0 || event.size > 3) continue;
      audio::MidiEvent got;
      got.size = static_cast<std::uint8_t>(event.size);
      for (std::size_t k = 0; k < event.size; ++k) got.bytes[k] = event.buffer[k];
      self->heard_.Push(got);
    }
    return 0;
  }

  jack_client_t* client_ = nullptr;
  jack_port_t* out_ = nullptr;
  jack_port_t* in_ = nullptr;
  bool ok_ = false;
  audio::MidiRing sending_, heard_;
  std::vector<audio::MidiEvent> got_;
};

}  // namespace testing_support
