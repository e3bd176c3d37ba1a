// The configuration bridge: command line, wait, copy-back and its failures.
#include <gtest/gtest.h>

#include <array>
#include <numeric>

#include "driver/bridge.h"
#include "driver/configrecord.h"
#include "platform/sim_fixture.h"

namespace driver {
namespace {

using testing_support::SimPlatformTest;

TEST(BridgeCommandLine, PointersAreEightUpperCaseHexDigits) {
  EXPECT_EQ(DriverConfigParams("getconfig", 0x0E0F0000, 0x0E070000),
            "Morva.DRV,DriverConfig getconfig $0E0F0000 #0E070000");
  EXPECT_EQ(DriverConfigParams("setconfig", 0x00010002, 0xABCDEF01),
            "Morva.DRV,DriverConfig setconfig $00010002 #ABCDEF01");
  EXPECT_EQ(DriverConfigCommandWord(0x4002), "reconfigurable");
  EXPECT_FALSE(DriverConfigCommandWord(0x4005).has_value());
  EXPECT_FALSE(DriverConfigCommandWord(0x4000).has_value());
}

class Bridge : public SimPlatformTest {
 protected:
  std::array<std::uint8_t, 20> Pattern() {
    std::array<std::uint8_t, 20> b;
    std::iota(b.begin(), b.end(), 100);
    return b;
  }
};

TEST_F(Bridge, GetStatesStartsRunDllWithTheExactLineAndFillsTheRecord) {
  system.SetStates({-22, 1, -22, 0, 0});
  DriverStates states;
  EXPECT_TRUE(GetDriverStates(1, states));
  EXPECT_EQ(states.Status, -22);
  EXPECT_EQ(states.CardStatus, (std::array<std::int32_t, 4>{1, -22, 0, 0}));
  EXPECT_EQ(observer.lines, (std::vector<std::string>{
                                "start rundll.exe \"Morva.DRV,DriverConfig getstates $0E0F0000 "
                                "#0E070000\""}));
  EXPECT_EQ(system.arena().BlockCount(), 0u);  // both blocks released
  EXPECT_LE(clock.NowMs(), 1);                 // seen on the first poll
}

TEST_F(Bridge, UnknownCommandsAndADisabledBridgeStartNothing) {
  for (std::int32_t command : {0x4000, 0x4005, 0}) {
    auto buffer = Pattern();
    EXPECT_FALSE(DriverConfigCall(1, command, buffer)) << command;
    EXPECT_EQ(buffer, Pattern());
  }
  auto buffer = Pattern();
  EXPECT_FALSE(DriverConfigCall(0, DRVCFG_GETSTATES, buffer));
  EXPECT_EQ(buffer, Pattern());
  EXPECT_TRUE(observer.lines.empty());
  EXPECT_EQ(system.bridge_runs(), 0);
  EXPECT_EQ(system.arena().BlockCount(), 0u);
}

TEST_F(Bridge, AFailedStartReportsFailureAndKeepsTheBuffer) {
  system.SetBridge(sim::BridgeMode::Fail);
  auto buffer = Pattern();
  EXPECT_FALSE(DriverConfigCall(1, DRVCFG_GETSTATES, buffer));
  EXPECT_EQ(buffer, Pattern());
}

TEST_F(Bridge, ADriverThatNeverAnswersTimesOutWithoutReadingTheBlock) {
  system.SetBridge(sim::BridgeMode::Hang);
  auto buffer = Pattern();
  EXPECT_FALSE(DriverConfigCall(1, DRVCFG_GETSTATES, buffer));
  EXPECT_EQ(buffer, Pattern());  // the driver did write its block; it is not taken
  EXPECT_GE(clock.NowMs(), kDriverConfigWaitLimitMs);
  EXPECT_LE(clock.NowMs(), kDriverConfigWaitLimitMs + 1);
  EXPECT_EQ(system.arena().BlockCount(), 2u);  // the driver may still write: kept

  const std::int64_t before = clock.NowMs();
  EXPECT_FALSE(DriverConfigCall(1, DRVCFG_GETSTATES, buffer, 50));
  EXPECT_EQ(clock.NowMs() - before, 50);
}

// An entry point that answers after the time limit writes into its own
// call's blocks, never into the next call's; once it has signalled, its
// blocks are freed at the next call.
TEST_F(Bridge, ALateAnswerNeverLandsInTheNextCall) {
  system.SetStates({1, 1, 0, 0, 0});
  system.SetBridge(sim::BridgeMode::Late);
  std::array<std::uint8_t, 20> late_buffer{};
  EXPECT_FALSE(DriverConfigCall(1, DRVCFG_GETSTATES, late_buffer));
  system.SetBridge(sim::BridgeMode::Ok);
  system.SetStates({1, -22, 0, 0, 0});
  observer.lines.clear();
  DriverStates states;
  EXPECT_TRUE(GetDriverStates(1, states));
  ASSERT_EQ(observer.lines.size(), 1u);
  EXPECT_EQ(observer.lines[0].find("$0E0F0000"), std::string::npos);  // other selectors
  system.FinishLateBridges();
  EXPECT_EQ(states.CardStatus[0], -22);
  EXPECT_EQ(platform.LateBlockCount(), 1u);
  EXPECT_TRUE(GetDriverStates(1, states));
  EXPECT_EQ(platform.LateBlockCount(), 0u);
  EXPECT_EQ(system.arena().BlockCount(), 0u);
  EXPECT_LE(system.BridgeWorkerCount(), 1u);  // finished workers are joined
}

TEST_F(Bridge, NoSharedMemoryMeansFailureAndNothingLeaks) {
  system.SetArenaLimit(0);
  auto buffer = Pattern();
  EXPECT_FALSE(DriverConfigCall(1, DRVCFG_GETSTATES, buffer));
  system.SetArenaLimit(10);  // room for the completion word, not for the data
  EXPECT_FALSE(DriverConfigCall(1, DRVCFG_GETSTATES, buffer));
  EXPECT_EQ(buffer, Pattern());
  EXPECT_EQ(system.arena().BlockCount(), 0u);
  EXPECT_TRUE(observer.lines.empty());
  EXPECT_FALSE(DriverConfigCall(1, DRVCFG_GETSTATES, nullptr, 20));
  EXPECT_FALSE(DriverConfigCall(1, DRVCFG_GETSTATES, buffer.data(), 0));
}

TEST_F(Bridge, ConfigRoundTripKeepsEveryByte) {
  DriverConfigRecord record;
  ASSERT_TRUE(record.Get(1));
  for (int block = 0; block < 4; ++block) {
    for (int word = 0; word < 40; ++word) record.SetWord(block, word, block * 1000 + word * 7 - 3);
  }
  const DriverConfigRecord sent = record;
  ASSERT_TRUE(record.Set(1));
  EXPECT_EQ(record, sent);
  DriverConfigRecord again;
  ASSERT_TRUE(again.Get(1));
  EXPECT_EQ(again, sent);
  EXPECT_EQ(std::filesystem::file_size(config_dir / "Morva.cfg"), 640u);
}

TEST_F(Bridge, ReconfigurableFollowsTheDriversAnswer) {
  EXPECT_TRUE(DriverReconfigurable(1));
  system.SetReconfigurable(false);
  EXPECT_FALSE(DriverReconfigurable(1));
  system.SetReconfigurable(true);
  EXPECT_FALSE(DriverReconfigurable(0));
}

TEST(BridgeOnRealTime, TheEntryPointRunsConcurrentlyAndIsWaitedFor) {
  sim::RealClock clock;
  sim::System system(clock);
  system.SetStates({1, 1, 1, 0, 0});
  platform::SimBackend backend(system);
  platform::Platform platform(backend);
  platform::ScopedPlatform scope(platform);
  DriverStates states;
  EXPECT_TRUE(GetDriverStates(1, states));
  EXPECT_EQ(states.CardStatus[1], 1);
}

}  // namespace
}  // namespace driver
