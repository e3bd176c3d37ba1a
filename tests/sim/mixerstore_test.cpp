// The cards' mix kept across the program's restarts: what a restart brings
// back, what a damaged file gives (the power-on values), how changes are
// gathered into few writes, and that a write killed half-way never leaves
// a file that reads as damaged.
#include "sim/mixerstore.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "sim/system.h"

namespace sim {
namespace {

class MixerStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "morva_mix_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::filesystem::path File() const { return dir / MixerStore::kFileName; }
  // The first pair's input gain as the file holds it.
  std::uint32_t Stored() const {
    CardStates read{};
    EXPECT_TRUE(MixerStore::Read(dir, read));
    return read[0].pairs[0].ingain;
  }

  VirtualClock clock;
  std::filesystem::path dir;
};

TEST_F(MixerStoreTest, ARestartBringsBackEveryCardsRecordsButNotItsMetering) {
  const CardState power_on = System(clock).Card(2);
  {
    System first(clock, ParseKnobs("cards=1"));
    EXPECT_FALSE(first.KeepMixerState(dir));  // nothing stored yet
    first.SetPairField(0, 0, PairField::InGain, 0x12345678);
    first.SetPairField(0, 4, PairField::Mute, 0xFFFF0000);
    first.SetPairField(2, 3, PairField::InPair, 0x02010201);  // a card not present now
    first.SetPairField(1, 1, PairField::Gate, 0);
  }  // ends right after the last change: it is written all the same
  System second(clock, ParseKnobs("cards=3"));
  EXPECT_TRUE(second.KeepMixerState(dir));
  EXPECT_EQ(second.GetPairField(0, 0, PairField::InGain), 0x12345678u);
  EXPECT_EQ(second.GetPairField(0, 4, PairField::Mute), 0xFFFF0000u);
  EXPECT_EQ(second.GetPairField(2, 3, PairField::InPair), 0x02010201u);
  EXPECT_EQ(second.GetPairField(1, 1, PairField::Gate), 0u);
  EXPECT_EQ(second.GetPairField(0, 1, PairField::InGain), power_on.pairs[1].ingain);
  EXPECT_EQ(second.Card(2).devnode, power_on.devnode);
  EXPECT_FALSE(second.Card(0).pairs[0].inmeter);

  // Restoring alone reads the stored mix and stores nothing.
  System reader(clock);
  EXPECT_TRUE(reader.RestoreMixerState(dir));
  EXPECT_EQ(reader.GetPairField(0, 0, PairField::InGain), 0x12345678u);
  const auto written = std::filesystem::last_write_time(File());
  reader.SetPairField(0, 0, PairField::InGain, 0);
  EXPECT_TRUE(reader.FlushMixerState());
  EXPECT_EQ(std::filesystem::last_write_time(File()), written);
}

TEST_F(MixerStoreTest, AFileThatIsNotAWholeStoredMixGivesThePowerOnValues) {
  CardStates mixed{};
  mixed[0].pairs[0].ingain = 0x11112222;
  const std::vector<std::uint8_t> good = EncodeMixerState(mixed);
  auto changed = [&](std::size_t at, int value) {
    std::vector<std::uint8_t> b = good;
    b.resize(std::max(b.size(), at + 1));
    b[at] = static_cast<std::uint8_t>(value);
    return b;
  };
  const std::vector<std::vector<std::uint8_t>> damaged = {
      {},
      std::vector<std::uint8_t>(good.begin(), good.end() - 1),  // cut short
      changed(good.size(), 0),                                  // longer
      changed(0, 'X'),                                          // not this store's file
      changed(4, 2),                                            // another version
      changed(8, 4),                                            // another card count
      changed(20, good[20] ^ 1),                                // one bit flipped
  };
  const std::uint32_t power_on = System(clock).GetPairField(0, 0, PairField::InGain);
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    std::ofstream(File(), std::ios::binary)
        .write(reinterpret_cast<const char*>(damaged[i].data()),
               static_cast<std::streamsize>(damaged[i].size()));
    System s(clock);
    EXPECT_FALSE(s.RestoreMixerState(dir)) << i;
    EXPECT_EQ(s.GetPairField(0, 0, PairField::InGain), power_on) << i;
  }
  // Neither a pipe (it would block the start) nor a folder in the file's
  // place is read.
  for (const bool pipe : {true, false}) {
    std::filesystem::remove(File());
    ASSERT_TRUE(pipe ? ::mkfifo(File().c_str(), 0600) == 0
                     : std::filesystem::create_directory(File()));
    EXPECT_FALSE(System(clock).RestoreMixerState(dir)) << (pipe ? "pipe" : "folder");
  }
}

TEST_F(MixerStoreTest, ChangesAreGatheredIntoOneWriteAndAFailedWriteKeepsTheOldFile) {
  CardStates state{};
  {
    MixerStore store(dir, std::chrono::hours(1));
    for (std::uint32_t step = 0; step < 1000; ++step) {
      state[0].pairs[0].ingain = step;
      store.Note(state);  // a fader dragged: noted, not written
    }
    EXPECT_EQ(store.writes(), 0);
    EXPECT_TRUE(store.Flush());
    EXPECT_TRUE(store.Flush());  // nothing new
    EXPECT_EQ(store.writes(), 1);
  }
  EXPECT_EQ(Stored(), 999u);

  // Where the file cannot be replaced (something in the temporary file's
  // place refuses the write, as a full or read-only disk would), the old
  // one stays and the change stays noted for the next try.
  const std::filesystem::path blocker = File().string() + ".tmp";
  std::filesystem::create_directory(blocker);
  MixerStore store(dir, std::chrono::hours(1));
  state[0].pairs[0].ingain = 7;
  store.Note(state);
  EXPECT_FALSE(store.Flush());
  std::filesystem::remove(blocker);
  EXPECT_EQ(Stored(), 999u);
  EXPECT_TRUE(store.Flush());
  EXPECT_EQ(Stored(), 7u);
}

TEST_F(MixerStoreTest, AWriterKilledAtAnyMomentLeavesAWholeMix) {
  CardStates state{};
  {
    MixerStore store(dir);
    store.Note(state);
  }
  // The child tells of each write it finished; it is killed in the middle
  // of one of the next.
  std::mt19937 rng(7);
  for (int kill = 0; kill < 20; ++kill) {
    int progress[2];
    ASSERT_EQ(::pipe(progress), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(progress[0]);
      MixerStore store(dir, std::chrono::milliseconds(0));
      for (std::uint32_t step = 1;; ++step) {
        state[step % 4].pairs[step % 5].volume = step;
        store.Note(state);
        store.Flush();
        if (::write(progress[1], "w", 1) != 1) ::_exit(1);
      }
    }
    ::close(progress[1]);
    char done = 0;
    for (unsigned n = 1 + rng() % 4; n > 0; --n) ASSERT_EQ(::read(progress[0], &done, 1), 1);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(progress[0]);
    CardStates read{};
    EXPECT_TRUE(MixerStore::Read(dir, read)) << "kill " << kill;
  }
}

}  // namespace
}  // namespace sim
