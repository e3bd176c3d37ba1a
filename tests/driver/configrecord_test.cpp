// The 640-byte configuration record and its words.
#include <gtest/gtest.h>

#include "driver/configrecord.h"
#include "platform/sim_fixture.h"
#include "sim/wire.h"

namespace driver {
namespace {

using testing_support::SimPlatformTest;

TEST(ConfigRecord, WordsSitAtTheirByteOffsetsLittleEndian) {
  DriverConfigRecord r;
  r.SetWord(1, kMsgRate, 0x01020304);
  EXPECT_EQ(r.bytes[160 + 28], 0x04);
  EXPECT_EQ(r.bytes[160 + 31], 0x01);
  r.SetWord(3, kRestrictedDevice, -1);
  EXPECT_EQ(r.bytes[3 * 160 + 144], 0xFF);
  EXPECT_EQ(r.Word(3, kRestrictedDevice), -1);
  EXPECT_THROW(r.Block(4), std::out_of_range);
  EXPECT_THROW(r.SetWord(0, 40, 1), std::out_of_range);
  EXPECT_THROW(r.Word(-1, 0), std::out_of_range);
}

TEST(ConfigRecord, TruthWordsWriteMinusOneAndReadNonzero) {
  CardConfigBlock b;
  b.SetRemoveDc(true);
  EXPECT_EQ(b.Word(kRemoveDc), -1);
  b.SetWord(kCardSync, 5);
  EXPECT_TRUE(b.CardSync());
  b.SetPlaySync(false);
  EXPECT_EQ(b.Word(kPlaySync), 0);
  b.SetLatency(40);
  b.SetRestrictedRate(48000);
  b.SetRestrictedRes(2);
  EXPECT_EQ(b.Word(32), 40);
  EXPECT_EQ(b.Word(33), 48000);
  EXPECT_EQ(b.Word(34), 2);
  b.SetWriteIsPlayCursor(true);
  EXPECT_EQ(b.Word(31), -1);
}

TEST(ConfigRecord, RestartIsNeededOnlyForRealDeviceRestrictionChanges) {
  CardConfigBlock before;
  before.SetWord(kRestrictedDev, 5);
  CardConfigBlock after = before;
  after.SetWord(kRestrictedDev, -1);  // both true
  EXPECT_FALSE(RestartNeeded(before, after));
  after.SetRestrictedDev(false);
  EXPECT_TRUE(RestartNeeded(before, after));
  CardConfigBlock off_a, off_b;
  off_b.SetRestrictedDevice(4);  // device changes even with the restriction off
  EXPECT_TRUE(RestartNeeded(off_a, off_b));
}

TEST(ConfigRecord, BlocksCopyWholeAndLeaveTheOthers) {
  DriverConfigRecord r;
  for (std::size_t i = 0; i < r.bytes.size(); ++i) r.bytes[i] = static_cast<std::uint8_t>(i);
  const DriverConfigRecord original = r;
  CardConfigBlock b = r.Block(1);
  b.SetGroupSync(true);
  r.SetBlock(1, b);
  for (std::size_t i = 0; i < r.bytes.size(); ++i) {
    if (i >= 160 + 44 && i < 160 + 48) continue;
    EXPECT_EQ(r.bytes[i], original.bytes[i]) << i;
  }
}

class ConfigBridge : public SimPlatformTest {};

TEST_F(ConfigBridge, RemovalSignalSetsOnlyTheFirstWord) {
  for (int block = 0; block < 4; ++block) system.SetConfigWord(block, 0, 7);
  system.SetConfigWord(2, 20, 1234);
  const sim::ConfigBytes before = system.StoredConfig();
  EXPECT_TRUE(SendRemovalSignal(1));
  const sim::ConfigBytes after = system.StoredConfig();
  EXPECT_EQ(wire::ReadLe32(after.data()), 0xFFFFFFFFu);
  for (std::size_t i = 4; i < after.size(); ++i) EXPECT_EQ(after[i], before[i]) << i;
}

TEST_F(ConfigBridge, RemovalSignalIsNotSentWhenGetConfigFails) {
  system.SetBridge(sim::BridgeMode::Fail);
  EXPECT_FALSE(SendRemovalSignal(1));
  system.SetBridge(sim::BridgeMode::Ok);
  EXPECT_EQ(wire::ReadLe32(system.StoredConfig().data()), 0u);
  EXPECT_FALSE(SendRemovalSignal(0));
}

}  // namespace
}  // namespace driver
