#pragma once
// MIDI on the control surface: each card's MIDI input works the controls
// the map says (remote/midimap.h), as the user's own drag or click, and the
// card's MIDI output sends the values back whenever they change, from any
// source, so motor faders and lit buttons follow.
//
// A control change moves a fader to the place of its value (0 the bottom,
// 127 the top of the thumb's travel), switches a box or button on (64 and
// above) or off, and chooses a source or monitor mode (64 and above); a
// note (on, velocity above 0) toggles a box or button or chooses a source
// or mode. Going back, a fader's place is a control change of 0 to 127, on
// and off 127 and 0 (a note with velocity 127, or 0).
//
// Learn mode: after Learn(address), the next control change or note on any
// card's port works that address from then on (the map keeps it).
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "remote/midimap.h"
#include "remote/surface.h"

namespace remote {

class RequestQueue;

class MidiEndpoint {
 public:
  // What goes out on a card's MIDI output: a complete three-byte message.
  using Message = std::array<std::uint8_t, 3>;
  using Send = std::function<void(int card, const Message& message)>;
  // How long learn mode waits for a controller.
  static constexpr std::int64_t kLearnMs = 30000;

  MidiEndpoint(ControlSurface& surface, RequestQueue& requests, MidiMap& map,
               const sim::Clock& clock, Send send);
  ~MidiEndpoint();
  MidiEndpoint(const MidiEndpoint&) = delete;
  MidiEndpoint& operator=(const MidiEndpoint&) = delete;

  // One message from a card's MIDI input: size bytes. What is no complete
  // channel message with data below 128 is dropped with a line on the error
  // output; system messages (clock, active sensing) are passed over.
  void Receive(int card, const std::uint8_t* bytes, std::size_t size);

  // The next control moved works address (value: the source or mode it
  // chooses); refused for an address that is none or a meter.
  Reply Learn(const std::string& address, const std::string& value);
  // What was learned for the address is forgotten; its defaults stay.
  Reply Forget(const std::string& address);
  // "KEY ADDRESS [VALUE]" lines of what was learned (keys as the map keeps
  // them: CARD.CHANNEL.cc|note.NUMBER).
  std::string Learned() const;

 private:
  void Work(const MidiControl& c, int data);
  void Tell(const std::string& address, const std::string& value);
  std::uint8_t DataOf(const std::string& address, const std::string& value,
                      const MidiTarget& target) const;

  ControlSurface& surface_;
  RequestQueue& requests_;
  MidiMap& map_;
  const sim::Clock& clock_;
  Send send_;
  int subscription_ = 0;
  MidiTarget learning_;
  std::int64_t learn_until_ = -1;
  unsigned dropped_ = 0;
};

}  // namespace remote
