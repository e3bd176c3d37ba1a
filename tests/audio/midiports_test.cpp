// MIDI through the cards' JACK clients: what a controller sends reaches the
// program with its card, the program is woken for it, and what the program
// sends reaches the controller; a ring that is full drops and counts, and
// never blocks either side.
#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>

#include "audio/jackcards.h"
#include "midiclient.h"

namespace audio {
namespace {

using testing_support::MidiClient;

TEST(MidiRing, AFullRingDropsAndCountsAndKeepsOrder) {
  auto ring = std::make_unique<MidiRing>();
  MidiEvent e;
  for (std::size_t i = 0; i < MidiRing::kSlots + 5; ++i) {
    e.bytes[1] = static_cast<std::uint8_t>(i % 128);
    ring->Push(e);
  }
  EXPECT_EQ(ring->Dropped(), 6u);  // one slot always stays free
  for (std::size_t i = 0; i < MidiRing::kSlots - 1; ++i) {
    ASSERT_TRUE(ring->Pop(e));
    EXPECT_EQ(e.bytes[1], i % 128);
  }
  EXPECT_FALSE(ring->Pop(e));
}

TEST(MidiPorts, MessagesGoBothWaysBetweenAControllerAndTheCards) {
  JackCards cards;
  std::string why;
  ASSERT_EQ(cards.Open(2, &why), 2) << why;
  MidiClient controller("morva-test-midi", "Morva 2:MIDI In", "Morva 2:MIDI Out");
  ASSERT_TRUE(controller.ok());
  // PipeWire carries a new connection some cycles after it is made: a
  // probe goes until the program is woken by one.
  const std::vector<std::uint8_t> probe{0xB0, 1, 1};
  pollfd p{cards.midi_fd(), POLLIN, 0};
  for (int tries = 0; tries < 100 && ::poll(&p, 1, 0) == 0; ++tries) {
    controller.Send(probe);
    ::poll(&p, 1, 50);
  }
  controller.Send({0xB0, 7, 100});
  controller.Send({0x91, 60, 127});
  controller.Send({0xF0, 1, 2});  // the start of a SysEx, longer than it shows here
  ASSERT_EQ(::poll(&p, 1, 5000), 1) << "the program was not woken";
  std::vector<std::string> took;
  for (int tries = 0; took.size() < 3 && tries < 500; ++tries) {
    cards.TakeMidi([&](int card, const MidiEvent& e) {
      if (e.size == probe.size() && std::equal(probe.begin(), probe.end(), e.bytes.begin())) return;
      char text[32];
      std::snprintf(text, sizeof text, "%d %02X %d %d/%d", card, e.bytes[0], e.bytes[1], e.bytes[2],
                    e.size);
      took.push_back(text);
    });
    if (took.size() < 3) ::poll(&p, 1, 10);
  }
  EXPECT_EQ(took, (std::vector<std::string>{"1 B0 7 100/3", "1 91 60 127/3", "1 F0 1 2/3"}));
  EXPECT_TRUE(cards.SendMidi(1, {3, {0xB0, 7, 55}}));
  EXPECT_FALSE(cards.SendMidi(2, {3, {0xB0, 7, 55}}));  // no third card
  const auto heard = controller.Heard(1, std::chrono::seconds(5));
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_EQ(heard[0].bytes, (std::array<std::uint8_t, 3>{0xB0, 7, 55}));
}

}  // namespace
}  // namespace audio
