#include "sim/system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "sim/wire.h"

namespace sim {
namespace {

constexpr std::array<std::uint8_t, 22> kCtrl = {1, 0, 2, 0,  0x44, 0xAC, 0, 0,   0x10, 0xB1, 2,
                                                0, 4, 0, 16, 0,    4,    0, 'C', 'T',  'R',  'L'};

std::vector<std::string> Names(const System& s, Dir dir) {
  std::vector<std::string> names;
  for (const WaveDevice& d : s.Devices(dir)) names.push_back(d.name);
  return names;
}

class SystemTest : public ::testing::Test {
 protected:
  // Opens the card's device for this pair (0-4) and returns its handle.
  std::uint32_t OpenPair(Dir dir, int card, int pair) {
    const auto& list = sys.Devices(dir);
    for (std::uint32_t id = 0; id < list.size(); ++id) {
      if (list[id].card == card && list[id].pair == pair) {
        std::uint32_t h = 0;
        EXPECT_EQ(sys.Open(dir, id, kCtrl, &h), result::kOk);
        return h;
      }
    }
    ADD_FAILURE() << "no device";
    return 0;
  }

  VirtualClock clock;
  System sys{clock};
};

TEST_F(SystemTest, OneCardListsForeignDeviceFirstThenTheCardsTen) {
  EXPECT_EQ(Names(sys, Dir::In),
            (std::vector<std::string>{"Onboard Analog Record 1-2", "Analog Record 1-2",
                                      "Analog Record 3-4", "Analog Record 5-6", "Analog Record 7-8",
                                      "S/PDIF Record I"}));
  EXPECT_EQ(sys.Devices(Dir::In)[0].mid, kForeignMid);
  EXPECT_EQ(sys.Devices(Dir::In)[0].pid, kRecordPid);
  for (std::size_t i = 1; i < 6; ++i) {
    EXPECT_EQ(sys.Devices(Dir::In)[i].mid, kCardMid);
    EXPECT_EQ(sys.Devices(Dir::In)[i].pid, kRecordPid);
    EXPECT_EQ(sys.Devices(Dir::Out)[i].pid, kPlaybackPid);
  }
  EXPECT_EQ(Names(sys, Dir::Out)[5], "S/PDIF Playback I");
}

TEST_F(SystemTest, ChannelsAndNumeralsCountAcrossCards) {
  sys.SetCards(6);
  sys.SetForeign(false);
  const auto names = Names(sys, Dir::Out);
  ASSERT_EQ(names.size(), 30u);
  EXPECT_EQ(names[5], "Analog Playback 9-10");
  EXPECT_EQ(names[9], "S/PDIF Playback II");
  EXPECT_EQ(names[28], "Analog Playback 47-48");
  EXPECT_EQ(names[24], "S/PDIF Playback V");
  EXPECT_EQ(names[29], "S/PDIF Playback VI");
  sys.SetCards(0);
  EXPECT_TRUE(sys.Devices(Dir::In).empty());
}

TEST_F(SystemTest, ExtraDevicesFollowAndOrderKnobsPermute) {
  sys.AddDevice(Dir::In, 190, 5, "Analog Record 9-10");
  const auto plain = Names(sys, Dir::In);
  EXPECT_EQ(plain.back(), "Analog Record 9-10");
  EXPECT_EQ(Names(sys, Dir::Out).size(), 6u);  // only the record list grew
  sys.SetOrder(DeviceOrder::Reverse);
  auto reversed = Names(sys, Dir::In);
  std::reverse(reversed.begin(), reversed.end());
  EXPECT_EQ(reversed, plain);
  sys.SetOrder(DeviceOrder::Shuffle, 5);
  const auto shuffled = Names(sys, Dir::In);
  EXPECT_NE(shuffled, plain);
  EXPECT_TRUE(std::is_permutation(shuffled.begin(), shuffled.end(), plain.begin()));
  sys.SetOrder(DeviceOrder::Shuffle, 5);
  EXPECT_EQ(Names(sys, Dir::In), shuffled);  // the same seed, the same order
}

TEST_F(SystemTest, OpenAcceptsOnlyTheControlFormatOnTheCardsDevices) {
  std::uint32_t h = 0;
  EXPECT_EQ(sys.Open(Dir::In, 6, kCtrl, &h), result::kBadDeviceId);
  EXPECT_EQ(sys.Open(Dir::In, 0, kCtrl, &h), result::kBadFormat);  // foreign device
  auto wrong = kCtrl;
  wrong[21] = 'X';
  EXPECT_EQ(sys.Open(Dir::In, 1, wrong, &h), result::kBadFormat);
  wrong = kCtrl;
  wrong[4] = 0x80;  // 48000 Hz
  EXPECT_EQ(sys.Open(Dir::In, 1, wrong, &h), result::kBadFormat);
  EXPECT_EQ(sys.Open(Dir::In, 1, std::span(kCtrl).first(18), &h), result::kBadFormat);
  EXPECT_EQ(sys.OpenHandleCount(Dir::In), 0u);
}

TEST_F(SystemTest, HandlesCountPerDirectionAndAreNeverReused) {
  EXPECT_EQ(OpenPair(Dir::In, 0, 0), 1u);
  EXPECT_EQ(OpenPair(Dir::In, 0, 0), 2u);
  EXPECT_EQ(OpenPair(Dir::Out, 0, 4), 1u);
  EXPECT_EQ(sys.Close(Dir::In, 2), result::kOk);
  EXPECT_EQ(sys.Close(Dir::In, 2), result::kInvalHandle);
  EXPECT_EQ(OpenPair(Dir::In, 0, 1), 3u);
  EXPECT_EQ(sys.OpenHandleCount(Dir::In), 2u);
}

TEST_F(SystemTest, ReadMessagesFillTheBufferBehindThe1616PointerLittleEndian) {
  const std::uint32_t in = OpenPair(Dir::In, 0, 1);
  EXPECT_EQ(sys.Message(Dir::In, in, 0x4033, 0x9C409C40, 0), result::kOk);
  const std::uint32_t vp = sys.arena().Alloc(80);
  EXPECT_EQ(sys.Message(Dir::In, in, 0x4032, vp + 8, 0), result::kOk);
  const std::uint8_t* flat = sys.arena().Flat(vp, 80);
  EXPECT_EQ(wire::ReadLe32(flat + 8), 0x9C409C40u);
  EXPECT_EQ(wire::ReadLe32(flat), 0u);
  EXPECT_EQ(sys.GetPairField(0, 1, PairField::InGain), 0x9C409C40u);
  EXPECT_EQ(sys.GetPairField(0, 0, PairField::InGain), 0x80008000u);  // other pair untouched
  // A pointer that names no live block is refused and nothing is written.
  EXPECT_EQ(sys.Message(Dir::In, in, 0x4032, vp + 78, 0), result::kInvalParam);
  EXPECT_EQ(sys.Message(Dir::In, in, 0x4032, 0x12340000, 0), result::kInvalParam);
}

TEST_F(SystemTest, MessagesOfTheOtherDirectionOrUnknownAreRefused) {
  const std::uint32_t in = OpenPair(Dir::In, 0, 0);
  const std::uint32_t out = OpenPair(Dir::Out, 0, 0);
  EXPECT_EQ(sys.Message(Dir::In, in, 0x4002, 0xFFFF0000, 0), result::kNotSupported);
  EXPECT_EQ(sys.Message(Dir::Out, out, 0x4033, 0, 0), result::kNotSupported);
  EXPECT_EQ(sys.Message(Dir::Out, out, 0x4050, 0, 0), result::kNotSupported);
  EXPECT_EQ(sys.Message(Dir::Out, 99, 0x4002, 0, 0), result::kInvalHandle);
  EXPECT_EQ(sys.GetPairField(0, 0, PairField::Mute), 0u);
  EXPECT_EQ(sys.Message(Dir::Out, out, 0x4002, 0xFFFF0000, 0), result::kOk);
  EXPECT_EQ(sys.GetPairField(0, 0, PairField::Mute), 0xFFFF0000u);
}

TEST_F(SystemTest, DeviceNodesAreDistinctPerCard) {
  sys.SetCards(2);
  const std::uint32_t vp = sys.arena().Alloc(4);
  std::uint32_t nodes[2];
  for (int c = 0; c < 2; ++c) {
    sys.Message(Dir::Out, OpenPair(Dir::Out, c, 0), 0x4011, vp, 0);
    nodes[c] = wire::ReadLe32(sys.arena().Flat(vp, 4));
    EXPECT_EQ(nodes[c], sys.Card(c).devnode);
  }
  EXPECT_NE(nodes[0], nodes[1]);
  EXPECT_NE(nodes[0], 0u);
}

TEST_F(SystemTest, LevelsAreReportedOnlyWhileMetering) {
  const std::uint32_t in = OpenPair(Dir::In, 0, 0);
  const std::uint32_t vp = sys.arena().Alloc(8);
  sys.Message(Dir::In, in, 0x403A, vp, 0);
  const std::uint8_t* flat = sys.arena().Flat(vp, 8);
  EXPECT_EQ(wire::ReadLe32(flat), 0u);
  sys.Message(Dir::In, in, 0x4038, 0, 0);
  sys.Message(Dir::In, in, 0x403A, vp, 0);
  const std::uint32_t left = wire::ReadLe32(flat);
  EXPECT_GT(left, 0u);
  EXPECT_LE(left, 32767u);
  EXPECT_EQ(left, static_cast<std::uint32_t>(sys.Level(Dir::In, 0, 0)));
  sys.Message(Dir::In, in, 0x4039, 0, 0);
  sys.Message(Dir::In, in, 0x403A, vp, 0);
  EXPECT_EQ(wire::ReadLe32(flat), 0u);
  // Closing the last handle on the pair's device ends its metering too.
  sys.Message(Dir::In, in, 0x4038, 0, 0);
  sys.Close(Dir::In, in);
  EXPECT_FALSE(sys.Card(0).pairs[0].inmeter);
}

TEST_F(SystemTest, InputLevelsFollowSourceAndGain) {
  clock.SetNow(1234);
  sys.SetPairField(0, 0, PairField::InGain, 0x0000FFFF);  // left full, right silent
  EXPECT_GT(sys.Level(Dir::In, 0, 0), 0);
  EXPECT_EQ(sys.Level(Dir::In, 0, 1), 0);
  const std::int32_t line = sys.Level(Dir::In, 0, 0);
  sys.SetPairField(0, 0, PairField::InPair, 0x00000002);  // left source CD
  EXPECT_NE(sys.Level(Dir::In, 0, 0), line);
  const std::int32_t cd_full = sys.Level(Dir::In, 0, 0);
  sys.SetPairField(0, 0, PairField::InGain, 0x00007FFF);
  EXPECT_NEAR(sys.Level(Dir::In, 0, 0) * 2, cd_full, 2);
  sys.SetPairField(0, 0, PairField::InPair, 0x00000007);  // no such source: silence
  EXPECT_EQ(sys.Level(Dir::In, 0, 0), 0);
  sys.SetPairField(0, 0, PairField::InPair, 0x00000002);
  clock.SetNow(1600);
  const std::int32_t later = sys.Level(Dir::In, 0, 0);
  clock.SetNow(1234);
  EXPECT_NE(sys.Level(Dir::In, 0, 0), later);  // the signal moves with time
}

TEST_F(SystemTest, OutputLevelsFollowVolumeMuteAndMonitor) {
  sys.SetPairField(0, 1, PairField::Volume, 0xFFFFFFFF);
  const std::int32_t full = sys.Level(Dir::Out, 0, 2);
  EXPECT_GT(full, 0);
  sys.SetPairField(0, 1, PairField::Mute, 0x0000FFFF);  // left muted
  EXPECT_EQ(sys.Level(Dir::Out, 0, 2), 0);
  EXPECT_EQ(sys.Level(Dir::Out, 0, 3), sys.Level(Dir::Out, 0, 3));
  EXPECT_GT(sys.Level(Dir::Out, 0, 3), 0);
  // Monitoring on (mode 2, gated or not) lets the input through even with
  // the playback muted; "while recording" (mode 1) does not.
  sys.SetPairField(0, 1, PairField::InPair, 0x02000000);
  EXPECT_GT(sys.Level(Dir::Out, 0, 2), 0);
  sys.SetPairField(0, 1, PairField::Gate, 0);
  EXPECT_GT(sys.Level(Dir::Out, 0, 2), 0);
  sys.SetPairField(0, 1, PairField::InPair, 0x01000000);
  EXPECT_EQ(sys.Level(Dir::Out, 0, 2), 0);
}

TEST_F(SystemTest, PinnedLevelsOverrideTheModelUntilReleased) {
  sys.PinLevel(Dir::Out, 0, 9, 1000);
  EXPECT_EQ(sys.Level(Dir::Out, 0, 9), 1000);
  const std::uint32_t out = OpenPair(Dir::Out, 0, 4);
  const std::uint32_t vp = sys.arena().Alloc(8);
  sys.Message(Dir::Out, out, 0x4007, 0, 0);
  sys.Message(Dir::Out, out, 0x4009, vp, 0);
  EXPECT_EQ(wire::ReadLe32(sys.arena().Flat(vp, 8) + 4), 1000u);
  sys.PinLevel(Dir::Out, 0, 9, -1);
  EXPECT_NE(sys.Level(Dir::Out, 0, 9), 1000);
  EXPECT_THROW(sys.PinLevel(Dir::In, 0, 10, 5), std::out_of_range);
}

TEST_F(SystemTest, DefaultStatesFollowTheCardCountUpToFour) {
  EXPECT_EQ(sys.States(), (std::array<std::int32_t, 5>{1, 1, 0, 0, 0}));
  sys.SetCards(6);
  EXPECT_EQ(sys.States(), (std::array<std::int32_t, 5>{1, 1, 1, 1, 1}));
  sys.SetCards(0);
  EXPECT_EQ(sys.States(), (std::array<std::int32_t, 5>{1, 0, 0, 0, 0}));
  sys.SetStates({-22, -22, 0, 0, 0});
  EXPECT_EQ(sys.States()[0], -22);
}

}  // namespace
}  // namespace sim
