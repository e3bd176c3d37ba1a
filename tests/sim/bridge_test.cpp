// The driver's configuration entry point as "rundll.exe" starts it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim/system.h"
#include "sim/wire.h"

namespace sim {
namespace {

std::string Hex8(std::uint32_t v) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", v);
  return text;
}

class EntryPointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("morva_sim_bridge_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
           "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    sys.SetConfigDir(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  // Starts the command on fresh blocks; returns the parameters' result.
  int Start(const std::string& command, std::uint32_t size,
            const std::vector<std::uint8_t>& initial = {}) {
    done = sys.arena().Alloc(4);
    data = sys.arena().Alloc(size);
    std::copy(initial.begin(), initial.end(), sys.arena().Flat(data, size));
    return sys.RunDll("Morva.DRV,DriverConfig " + command + " $" + Hex8(data) + " #" + Hex8(done));
  }
  std::uint32_t DoneWord() { return wire::ReadLe32(sys.arena().Flat(done, 4)); }
  std::uint32_t DataWord(int i) {
    return wire::ReadLe32(sys.arena().Flat(data, 4 * (i + 1)) + 4 * i);
  }

  VirtualClock clock;
  System sys{clock};
  std::filesystem::path dir;
  std::uint32_t done = 0;
  std::uint32_t data = 0;
};

TEST_F(EntryPointTest, GetStatesFillsTheRecordThenSignals) {
  sys.SetStates({-22, 1, -22, 0, 0});
  EXPECT_GT(Start("getstates", 20), 32);
  clock.SleepMs(1);  // virtual time moves only after the entry point has finished
  EXPECT_EQ(DoneWord(), 1u);
  EXPECT_EQ(static_cast<std::int32_t>(DataWord(0)), -22);
  EXPECT_EQ(DataWord(1), 1u);
  EXPECT_EQ(static_cast<std::int32_t>(DataWord(2)), -22);
  EXPECT_EQ(DataWord(3), 0u);
  EXPECT_EQ(sys.bridge_runs(), 1);
}

TEST_F(EntryPointTest, ReconfigurableAnswersTheKnob) {
  Start("reconfigurable", 4);
  sys.WaitForBridge();
  EXPECT_EQ(DataWord(0), 1u);
  sys.SetReconfigurable(false);
  Start("reconfigurable", 4);
  sys.WaitForBridge();
  EXPECT_EQ(DataWord(0), 0u);
}

TEST_F(EntryPointTest, ConfigurationPersistsAllBytesAcrossRuns) {
  Start("getconfig", 640);
  sys.WaitForBridge();
  std::uint8_t* record = sys.arena().Flat(data, 640);
  EXPECT_EQ(static_cast<std::int32_t>(wire::ReadLe32(record + 28)), -1);  // defaults: MsgRate shown
  for (int i = 0; i < 640; ++i) record[i] = static_cast<std::uint8_t>(i * 7 + 3);
  const std::vector<std::uint8_t> sent(record, record + 640);
  Start("setconfig", 640, sent);
  sys.WaitForBridge();
  EXPECT_EQ(DoneWord(), 1u);
  EXPECT_EQ(std::filesystem::file_size(dir / "Morva.cfg"), 640u);

  VirtualClock clock2;
  System again(clock2);
  again.SetConfigDir(dir);
  const ConfigBytes stored = again.StoredConfig();
  EXPECT_TRUE(std::equal(stored.begin(), stored.end(), sent.begin()));
}

TEST_F(EntryPointTest, AStoredFileOfTheWrongSizeGivesTheDefaults) {
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "Morva.cfg") << "short";
  EXPECT_EQ(sys.StoredConfig(), ConfigStore::Defaults());
  sys.SetConfigWord(2, 32, 40);
  const ConfigBytes stored = sys.StoredConfig();
  EXPECT_EQ(wire::ReadLe32(stored.data() + 320 + 128), 40u);
  EXPECT_THROW(sys.SetConfigWord(4, 0, 1), std::out_of_range);
}

TEST_F(EntryPointTest, AHangingEntryPointWritesButNeverSignals) {
  sys.SetBridge(BridgeMode::Hang);
  EXPECT_GT(Start("getstates", 20), 32);
  sys.WaitForBridge();
  EXPECT_EQ(DoneWord(), 0u);
  EXPECT_EQ(DataWord(0), 1u);
}

TEST_F(EntryPointTest, AFailingBridgeStartsNothing) {
  sys.SetBridge(BridgeMode::Fail);
  EXPECT_EQ(Start("getstates", 20), 2);
  sys.WaitForBridge();
  EXPECT_EQ(DataWord(0), 0u);
  EXPECT_EQ(sys.bridge_runs(), 0);
}

TEST_F(EntryPointTest, MalformedOrUnknownRequestsAreNeverSignalled) {
  for (const char* params :
       {"Morva.DRV,DriverConfig getstates $0E0F000 #0E070000", "Morva.DRV,DriverConfig frob",
        "Other.DRV,DriverConfig getstates $0E0F0000 #0E070000"}) {
    done = sys.arena().Alloc(4);
    EXPECT_GT(sys.RunDll(params), 32);
    sys.WaitForBridge();
    EXPECT_EQ(DoneWord(), 0u) << params;
  }
  Start("frobnicate", 20);
  sys.WaitForBridge();
  EXPECT_EQ(DoneWord(), 0u);
}

TEST_F(EntryPointTest, BlocksFreedBeforeTheEntryPointRunsAreNotTouched) {
  Start("getconfig", 640);
  sys.arena().Free(data);
  sys.arena().Free(done);
  sys.WaitForBridge();  // must not write into freed memory (the sanitizer build checks)
  EXPECT_EQ(sys.arena().BlockCount(), 0u);
}

}  // namespace
}  // namespace sim
