// The control messages' records, alone and through the simulated driver.
#include <gtest/gtest.h>

#include "driver/controls.h"
#include "driver/messages.h"
#include "platform/sim_fixture.h"

namespace driver {
namespace {

using testing_support::SimPlatformTest;

TEST(Records, PackLikeTheWindowsSendThem) {
  const GainPair linked{{2 * 20000, 2 * 20000}};
  EXPECT_EQ(linked.Pack(), 0x9C409C40u);
  const InputPairRecord mic{kSourceMic, 1, kSourceMic, kMonitorOn};
  const std::uint32_t v = mic.Pack();
  EXPECT_EQ(v & 0xFF, 1u);
  EXPECT_EQ((v >> 8) & 0xFF, 1u);
  EXPECT_EQ((v >> 16) & 0xFF, 1u);
  EXPECT_EQ(v >> 24, 2u);
  EXPECT_EQ(InputPairRecord::Unpack(v), mic);
  EXPECT_EQ((MutePair{{0, 0xFFFF}}.Pack()), 0xFFFF0000u);  // right muted only
  EXPECT_EQ((MutePair{{0xFFFF, 0xFFFF}}.Pack()), 0xFFFFFFFFu);
  const auto volume = Unpack<WaveVolume>(0x12345678);
  EXPECT_EQ(volume.left, 0x5678);
  EXPECT_EQ(volume.right, 0x1234);
}

TEST(Records, ReadFromLittleEndianBytes) {
  const BYTE mute[4] = {0x00, 0x00, 0x01, 0x00};
  const MutePair m = Read<MutePair>(mute);
  EXPECT_FALSE(m.LeftMuted());
  EXPECT_TRUE(m.RightMuted());  // any nonzero value counts as muted
  const BYTE level[8] = {0xFF, 0x7F, 0, 0, 0x10, 0, 0, 0};
  EXPECT_EQ(LevelPair::Read(level), (LevelPair{32767, 16}));
  BYTE out[4] = {};
  InputPairRecord{2, 0, 1, 1}.Write(out);
  EXPECT_EQ(out[0], 2);
  EXPECT_EQ(out[2], 1);
  EXPECT_EQ(out[3], 1);
}

class DriverMessages : public SimPlatformTest {
 protected:
  void SetUp() override {
    DiscoverCards(table);
    OpenPlayControl(table, nullptr, SlotOf(0, 2), out);
    OpenRecControl(table, nullptr, SlotOf(0, 1), in);
  }
  CardTable table;
  ControlHandle out = 0;
  ControlHandle in = 0;
};

TEST_F(DriverMessages, GetOutMuteFillsTheChannelsWordsOfTheMuteBuffer) {
  system.SetPairField(0, 2, sim::PairField::Mute, 0xFFFF0000);
  SharedBuffer mutes = AllocSharedBuffer(80);
  for (int i = 0; i < 80; ++i) mutes.flat[i] = 0xAA;
  SendControlMessage(Direction::Playback, out, MSG_GET_OUT_MUTE, mutes.At(MuteBufferOffset(5)));
  const MutePair m = Read<MutePair>(mutes.flat + 8);
  EXPECT_FALSE(m.LeftMuted());
  EXPECT_TRUE(m.RightMuted());
  EXPECT_EQ(mutes.flat[7], 0xAA);  // words 4 and 5 only
  EXPECT_EQ(mutes.flat[12], 0xAA);
  EXPECT_EQ(observer.lines.back(), "msg out h2 0x4001 0x0E070008");
  FreeSharedBuffer(mutes);
}

TEST_F(DriverMessages, WrittenRecordsComeBackFromTheDriver) {
  SharedBuffer buf = AllocSharedBuffer(4);
  SendControlMessage(Direction::Record, in, MSG_SET_IN_GAIN, GainPair{{40000, 40000}}.Pack());
  SendControlMessage(Direction::Record, in, MSG_GET_IN_GAIN, buf.vp);
  EXPECT_EQ(Read<GainPair>(buf.flat), (GainPair{{40000, 40000}}));
  SendControlMessage(Direction::Record, in, MSG_SET_IN_PAIR, InputPairRecord{1, 1, 1, 2}.Pack());
  SendControlMessage(Direction::Record, in, MSG_GET_IN_PAIR, buf.vp);
  EXPECT_EQ(InputPairRecord::Read(buf.flat), (InputPairRecord{1, 1, 1, 2}));
  SendControlMessage(Direction::Record, in, MSG_SET_MON_GATE, 0xFFFF);
  SendControlMessage(Direction::Record, in, MSG_GET_MON_GATE, buf.vp);
  EXPECT_EQ(Read<MonitorGatePair>(buf.flat).right, 0);
  SendControlMessage(Direction::Playback, out, DRV_WODM_SETVOLUME, 0x80004000);
  SendControlMessage(Direction::Playback, out, DRV_WODM_GETVOLUME, buf.vp);
  EXPECT_EQ(Read<WaveVolume>(buf.flat), (WaveVolume{{0x4000, 0x8000}}));
  FreeSharedBuffer(buf);
}

TEST_F(DriverMessages, LevelsArriveWhileMetering) {
  SharedBuffer level = AllocSharedBuffer(8);
  system.PinLevel(sim::Dir::In, 0, 2, 1234);
  system.PinLevel(sim::Dir::In, 0, 3, 32767);
  SendControlMessage(Direction::Record, in, MSG_START_IN_METER, 0);
  SendControlMessage(Direction::Record, in, MSG_GET_IN_LEVEL, level.vp);
  EXPECT_EQ(LevelPair::Read(level.flat), (LevelPair{1234, 32767}));
  SendControlMessage(Direction::Record, in, MSG_STOP_IN_METER, 0);
  SendControlMessage(Direction::Record, in, MSG_GET_IN_LEVEL, level.vp);
  EXPECT_EQ(LevelPair::Read(level.flat), (LevelPair{0, 0}));
  FreeSharedBuffer(level);
}

}  // namespace
}  // namespace driver
