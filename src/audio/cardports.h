#pragma once
// One card's ports on the JACK server: its connectors (what the world
// plays into the card and hears from it) and the channels a program records
// from and plays through it. They give the process callback one block's
// buffers and report how late each path delivers (the latency callback).
// Further kinds of ports join here, each with its own part of the block.
#include <jack/jack.h>

#include <array>
#include <cstdint>
#include <vector>

#include "audio/cardmix.h"

namespace audio {

class CardPorts {
 public:
  // Registers every port on client; false when the server refused one.
  bool Register(jack_client_t* client);

  // The buffers of one block (real-time thread).
  CardBuffers Buffers(jack_nframes_t nframes) const;

  // The latency callback: each port of the side that mode names takes the
  // latency of the connected ports on the other side that reach it, plus
  // what the converters on the way add (CardMix's kAdFrames, kDaFrames).
  // The record channels thus tell a recording program the A/D converters'
  // delay and whatever lay before the inputs; the playback channels the D/A
  // converters' and whatever follows the outputs.
  void ReportLatency(jack_latency_callback_mode_t mode) const;

  // Every port of the card, in the order they were registered.
  const std::vector<jack_port_t*>& All() const { return all_; }

 private:
  // A way through the card: from an input port to an output port, this
  // many frames late.
  struct Path {
    jack_port_t* in;
    jack_port_t* out;
    std::uint32_t delay;
  };

  std::array<jack_port_t*, kAnalog> line_{}, mic_{}, out_{}, record_{}, playback_{};
  std::array<jack_port_t*, kSpdif> cd_{}, spdif_in_{}, spdif_out_{}, record_spdif_{},
      playback_spdif_{};
  std::vector<jack_port_t*> all_;
  std::vector<Path> paths_;
};

}  // namespace audio
