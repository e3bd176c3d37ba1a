// Multimedia timers on the virtual and on the real clock.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/mmsystem.h"
#include "platform/sim_fixture.h"
#include "platform/timers.h"

namespace {

using testing_support::SimPlatformTest;

std::vector<std::string>* fired_log = nullptr;

void Record(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  fired_log->push_back("t" + std::to_string(id) + "@" + std::to_string(user));
}

class Timers : public SimPlatformTest {
 protected:
  Timers() { fired_log = &fired; }
  ~Timers() override { fired_log = nullptr; }
  std::vector<std::string> fired;
};

TEST_F(Timers, FireInTimeOrderOnlyWhenTimeAdvances) {
  const UINT tick = timeSetEvent(40, 0, &Record, 1, TIME_PERIODIC);
  const UINT poll = timeSetEvent(100, 0, &Record, 2, TIME_PERIODIC);
  EXPECT_EQ(tick, 1u);
  EXPECT_EQ(poll, 2u);
  EXPECT_TRUE(fired.empty());
  std::vector<std::int64_t> instants;
  platform.timers().AdvanceTo(200, [&] { instants.push_back(clock.NowMs()); });
  EXPECT_EQ(fired,
            (std::vector<std::string>{"t1@1", "t1@1", "t2@2", "t1@1", "t1@1", "t1@1", "t2@2"}));
  EXPECT_EQ(instants, (std::vector<std::int64_t>{40, 80, 100, 120, 160, 200}));
  EXPECT_EQ(clock.NowMs(), 200);
  EXPECT_EQ(observer.lines, (std::vector<std::string>{"timer start t1 40", "timer start t2 100"}));
}

TEST_F(Timers, KilledTimersStopAndIdsAreNeverReused) {
  const UINT a = timeSetEvent(10, 0, &Record, 1, TIME_PERIODIC);
  platform.timers().AdvanceTo(10);
  EXPECT_EQ(timeKillEvent(a), MMSYSERR_NOERROR);
  EXPECT_EQ(timeKillEvent(a), MMSYSERR_INVALPARAM);
  platform.timers().AdvanceTo(100);
  EXPECT_EQ(fired.size(), 1u);
  EXPECT_EQ(timeSetEvent(10, 0, &Record, 1, TIME_PERIODIC), 2u);
  EXPECT_EQ(observer.With("timer kill"), (std::vector<std::string>{"timer kill t1"}));
}

TEST_F(Timers, OneShotFiresOnceAndBadRequestsFail) {
  timeSetEvent(30, 0, &Record, 7, TIME_ONESHOT);
  platform.timers().AdvanceTo(1000);
  EXPECT_EQ(fired, (std::vector<std::string>{"t1@7"}));
  EXPECT_EQ(platform.timers().ActiveCount(), 0u);
  EXPECT_EQ(timeSetEvent(0, 0, &Record, 0, TIME_PERIODIC), 0u);
  EXPECT_EQ(timeSetEvent(10, 0, nullptr, 0, TIME_PERIODIC), 0u);
  TIMECAPS caps{};
  EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_EQ(caps.wPeriodMin, 1u);
}

TEST_F(Timers, TimeNeverMovesBackAndNextDueIsKnown) {
  clock.SetNow(500);
  timeSetEvent(40, 0, &Record, 1, TIME_PERIODIC);
  EXPECT_EQ(platform.timers().NextDue(), 540);
  platform.timers().AdvanceTo(100);
  EXPECT_EQ(clock.NowMs(), 500);
  EXPECT_TRUE(fired.empty());
}

std::atomic<int> real_fires{0};
void CountFire(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
  ++real_fires;
}

TEST(RealClockTimers, ATimerThreadFiresAndKillWaitsForTheCallback) {
  sim::RealClock clock;
  platform::TimerService timers(clock);
  real_fires = 0;
  const UINT id = timers.Start(1, &CountFire, 0, true);
  while (real_fires.load() < 3) std::this_thread::yield();
  EXPECT_TRUE(timers.Kill(id));
  const int after_kill = real_fires.load();
  EXPECT_EQ(real_fires.load(), after_kill);  // no callback runs after Kill returned
  EXPECT_THROW(timers.AdvanceTo(10), std::logic_error);
}

// Reads like a real clock (the program's loop fires the timers, periodic
// ones keep to multiples of their period) but moves only when told.
class SteppedClock : public sim::Clock {
 public:
  std::int64_t NowMs() const override { return now; }
  void SleepMs(std::int64_t ms) override { now += ms; }
  bool IsVirtual() const override { return false; }
  std::int64_t now = 0;
};

// Woken in batches of 100 ms, the loop is told only multiples of the batch;
// each periodic timer then fires every instant it fell due since, in time
// order (ties by id); a timer later than a batch skips what is older.
TEST(PumpedTimers, BatchesFireEveryInstantInTimeOrder) {
  SteppedClock clock;
  platform::TimerService timers(clock);
  std::vector<std::int64_t> wakes;
  timers.SetPump([&](std::optional<std::int64_t> due) { wakes.push_back(due.value_or(-1)); }, 100);
  std::vector<std::string> log;
  fired_log = &log;
  timers.Start(40, &Record, 1, true);
  timers.Start(100, &Record, 2, true);
  EXPECT_EQ(wakes.back(), 100);  // the tick due at 40 wakes the loop at 100
  clock.now = 100;
  timers.FireDue();  // ticks at 40 and 80, the poll at 100
  EXPECT_EQ(log, (std::vector<std::string>{"t1@1", "t1@1", "t2@2"}));
  EXPECT_EQ(wakes.back(), 200);
  log.clear();
  clock.now = 450;
  timers.FireDue();  // tick 120, poll 200, ticks 360 and 400, poll 400, tick 440
  EXPECT_EQ(log, (std::vector<std::string>{"t1@1", "t2@2", "t1@1", "t1@1", "t2@2", "t1@1"}));
  EXPECT_EQ(wakes.back(), 500);
  fired_log = nullptr;
}

}  // namespace
