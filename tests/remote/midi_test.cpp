// MIDI on the control surface: the default mapping works every kind of
// control, values go back to the controller when they change, what is no
// MIDI message is dropped, and learned mappings work and survive a
// restart.
#include <gtest/gtest.h>

#include "program_at_hand.h"
#include "remote/midi.h"
#include "remote/requests.h"
#include "shell/Mixctrl.h"
#include "ui/controltraits.h"

namespace {

using remote::MidiEndpoint;
using testing_support::ProgramAtHand;
using testing_support::WithProgram;

struct Midi {
  explicit Midi(ProgramAtHand& at_hand, int cards) : p(at_hand), map(cards) { map.Load(); }
  ProgramAtHand& p;
  remote::RequestQueue requests{p.surface};
  remote::MidiMap map;
  std::vector<std::string> out;
  MidiEndpoint endpoint{
      p.surface, requests, map, p.program.clock, [this](int card, const MidiEndpoint::Message& m) {
        char text[32];
        std::snprintf(text, sizeof text, "%d %02X %d %d", card + 1, m[0], m[1], m[2]);
        out.push_back(text);
      }};
  void In(int card, std::vector<std::uint8_t> bytes) {
    endpoint.Receive(card - 1, bytes.data(), bytes.size());
    p.surface.Poll();
  }
  // What went back to the controller since the last call, comma-separated.
  std::string Out() {
    std::string all;
    for (const std::string& m : std::exchange(out, {})) all += (all.empty() ? "" : ", ") + m;
    return all;
  }
};

TEST(Midi, TheDefaultMappingWorksEveryKindOfControlAndTheValuesComeBack) {
  struct Case {
    std::vector<std::uint8_t> in;
    int card;
    const char* address;
    const char* shown;
    const char* back;
  } cases[] = {
      // Inputs on MIDI channel 1: a fader to the top, a linked pair's partner follows.
      {{0xB0, 1, 127}, 1, "/card/1/inputs/1/fader", "22.5", "1 B0 1 127, 1 B0 2 127"},
      {{0xB0, 9, 0}, 1, "/card/1/inputs/1-2/link", "off", "1 B0 9 0"},
      {{0xB0, 2, 0}, 1, "/card/1/inputs/2/fader", "0.0", "1 B0 2 0"},
      // Every note that chooses a source of the channel lights or goes dark.
      {{0x90, 10, 100}, 1, "/card/1/inputs/3/source", "Mic", "1 90 2 0, 1 90 10 127, 1 90 16 0"},
      // Monitor on channel 2 of card 2.
      {{0x91, 9, 64}, 2, "/card/2/monitor/3-4/mode", "OnRec", "2 91 1 0, 2 91 5 0, 2 91 9 127"},
      {{0x91, 13, 1}, 2, "/card/2/monitor/3-4/mute-play", "on", "2 91 13 127"},
      // Outputs on channel 3: a mute toggles with each note.
      {{0x92, 4, 90}, 1, "/card/1/outputs/5/mute", "on", "1 92 4 127"},
      {{0x92, 4, 90}, 1, "/card/1/outputs/5/mute", "off", "1 92 4 0"},
      // The middle of the travel, where the output scale reads -15.2 dB.
      {{0xB2, 8, 64}, 1, "/card/1/outputs/8/fader", "-15.2", "1 B2 7 64, 1 B2 8 64"}};
  WithProgram(2, [&](ProgramAtHand& p) {
    for (const char* w : {"inputs", "monitor", "outputs"}) p.surface.Show(w);
    Midi midi(p, 2);
    for (const Case& c : cases) {
      midi.In(c.card, c.in);
      EXPECT_EQ(p.surface.Get(c.address).text, c.shown) << c.address;
      EXPECT_EQ(midi.Out(), c.back) << c.address;
    }
  });
}

TEST(Midi, WhatIsNoMessageIsDroppedAndChangesNothing) {
  WithProgram(1, [&](ProgramAtHand& p) {
    p.surface.Show("outputs");
    Midi midi(p, 1);
    p.Sent();
    using Bytes = std::vector<std::uint8_t>;
    for (const Bytes& bad :
         {Bytes{}, Bytes{0x92}, Bytes{0x92, 4}, Bytes{0x92, 4, 90, 1}, Bytes{0x92, 0x84, 90},
          Bytes{0x92, 4, 0x90}, Bytes{0x04, 4, 90}, Bytes{0xF8}, Bytes{0xF0, 1, 2, 0xF7},
          Bytes{0x82, 4, 90}, Bytes{0x92, 4, 0}, Bytes{0xE2, 0, 64}, Bytes{0xB2, 100, 3}}) {
      midi.In(1, bad);
      EXPECT_TRUE(p.Sent().empty()) << bad.size();
      EXPECT_TRUE(midi.Out().empty());
    }
    EXPECT_EQ(p.surface.Get("/card/1/outputs/5/mute").text, "off");
  });
}

TEST(Midi, ALearnedControlWorksItsControlAndSurvivesARestart) {
  WithProgram(1, [&](ProgramAtHand& p) {
    for (const char* w : {"monitor", "outputs"}) p.surface.Show(w);
    Midi midi(p, 1);
    EXPECT_FALSE(midi.endpoint.Learn("/card/1/inputs/1/meter", "").ok);
    EXPECT_FALSE(midi.endpoint.Learn("/card/1/inputs/1/source", "").ok);
    EXPECT_FALSE(midi.endpoint.Learn("/card/1/outputs/1/mute", "on").ok);
    ASSERT_TRUE(midi.endpoint.Learn("/card/1/outputs/2/mute", "").ok);
    midi.In(1, {0xB5, 20, 127});  // the knob the user moves: taken, not worked
    EXPECT_EQ(p.surface.Get("/card/1/outputs/2/mute").text, "off");
    EXPECT_EQ(midi.Out(), "1 B5 20 0, 1 92 1 0");
    midi.In(1, {0xB5, 20, 127});
    EXPECT_EQ(p.surface.Get("/card/1/outputs/2/mute").text, "on");
    EXPECT_EQ(midi.Out(), "1 B5 20 127, 1 92 1 127");
    // A learned control comes before the default one of the same MIDI control.
    ASSERT_TRUE(midi.endpoint.Learn("/card/1/monitor/1-2/mode", "OnPunch").ok);
    midi.In(1, {0x92, 0, 127});
    midi.In(1, {0x92, 0, 127});
    EXPECT_EQ(p.surface.Get("/card/1/monitor/1-2/mode").text, "OnPunch");
    EXPECT_EQ(p.surface.Get("/card/1/outputs/1/mute").text, "off");
    // The program starts again: the map is read back.
    remote::MidiMap again(1);
    again.Load();
    EXPECT_EQ(again.learned(), midi.map.learned());
    EXPECT_EQ(midi.endpoint.Learned(),
              "1.3.note.0 /card/1/monitor/1-2/mode OnPunch\n1.6.cc.20 /card/1/outputs/2/mute\n");
    EXPECT_TRUE(midi.endpoint.Forget("/card/1/outputs/2/mute").ok);
    EXPECT_FALSE(midi.endpoint.Forget("/card/1/outputs/2/mute").ok);
    // Learn mode waits only so long.
    ASSERT_TRUE(midi.endpoint.Learn("/card/1/outputs/3/mute", "").ok);
    p.Advance(MidiEndpoint::kLearnMs + 1);
    midi.In(1, {0x92, 2, 127});
    EXPECT_EQ(p.surface.Get("/card/1/outputs/3/mute").text, "on");
    EXPECT_EQ(midi.map.learned().size(), 1u);
  });
}

}  // namespace
