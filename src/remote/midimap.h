#pragma once
// Which control of a MIDI controller works which control of the mixer. Each
// card's MIDI input works its own card by default:
//
//   MIDI channel 1, inputs:  CC 1-8 faders 1-8, CC 9-12 links 1-2 ... 7-8,
//                            notes 0-7 Line, notes 8-15 Mic of channels 1-8,
//                            note 16 CD (channels 3 and 4)
//   MIDI channel 2, monitor: CC 1-8 faders 1-8, CC 9-12 links, notes 0-3 "On",
//                            4-7 "OnPunch", 8-11 "OnRec", 12-15 "Mute Play" of
//                            pairs 1-2 ... 7-8
//   MIDI channel 3, outputs: CC 1-8 faders 1-8, CC 9-12 links, notes 0-7 mutes
//
// A learned mapping (a knob or button moved while the program waits for it)
// comes before the default one of the same MIDI control; learned mappings
// are kept in MorvaRemote.ini, section [MIDI], one key per MIDI control:
// "CARD.CHANNEL.cc.NUMBER" or "CARD.CHANNEL.note.NUMBER" = "ADDRESS [VALUE]".
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace remote {

// A control of a controller on a card's MIDI port: the card (0-3), the
// MIDI channel (0-15), a control change or a note, its number (0-127).
struct MidiControl {
  int card = 0;
  int channel = 0;
  bool note = false;
  int number = 0;
  auto operator<=>(const MidiControl&) const = default;
};

// What a MIDI control works: an address, and for a source or a monitor
// mode the value it chooses.
struct MidiTarget {
  std::string address;
  std::string value;
  bool operator==(const MidiTarget&) const = default;
};

std::string KeyOf(const MidiControl& c);
std::optional<MidiControl> ControlOfKey(const std::string& key);
// "control change 7 on MIDI channel 1", "note 3 on MIDI channel 2".
std::string Describe(const MidiControl& c);

class MidiMap {
 public:
  // The default mapping of cards 0 .. cards-1.
  explicit MidiMap(int cards);

  std::optional<MidiTarget> TargetOf(const MidiControl& c) const;
  // Every MIDI control that works the address (learned and default).
  std::vector<MidiControl> ControlsOf(const std::string& address) const;

  void Learn(const MidiControl& c, const MidiTarget& t);
  // Forgets what was learned for the address; the defaults stay.
  int Forget(const std::string& address);
  const std::map<MidiControl, MidiTarget>& learned() const { return learned_; }

  // [MIDI] of MorvaRemote.ini: read at start, written after each change;
  // false when the file cannot be written.
  void Load();
  bool Save() const;

 private:
  std::map<MidiControl, MidiTarget> defaults_, learned_;
};

}  // namespace remote
