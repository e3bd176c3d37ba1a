// The pump that fires the program's timers from Qt's loop, on a clock the
// test sets and with the Qt timer's events stood in for by TimerFired: no
// waiting.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "qt/timerpump.h"

namespace qt {
namespace {

// Fires as the timer service does: records the instant, then asks for the
// next one.
struct Pump {
  std::int64_t now = 0;
  std::optional<std::int64_t> then;
  std::vector<std::int64_t> fired_at;
  TimerPump pump{100, [this] { return now; },
                 [this] {
                   fired_at.push_back(now);
                   pump.Schedule(then);
                 }};

  void FireAt(std::int64_t t, std::optional<std::int64_t> next) {
    now = t;
    then = next;
    pump.TimerFired();
  }
};

TEST(TimerPump, BatchesThatFollowOnTimeShareOnePeriodicTimer) {
  Pump p;
  p.pump.Schedule(100);
  EXPECT_TRUE(p.pump.running());
  EXPECT_FALSE(p.pump.periodic());
  EXPECT_EQ(p.pump.delay_ms(), 100);
  p.FireAt(100, 200);
  EXPECT_TRUE(p.pump.periodic());
  EXPECT_EQ(p.pump.delay_ms(), 100);
  EXPECT_EQ(p.pump.next(), 200);
  // A few ms late is on time: the periodic timer runs on, not restarted.
  p.FireAt(204, 300);
  EXPECT_TRUE(p.pump.running());
  EXPECT_TRUE(p.pump.periodic());
  EXPECT_EQ(p.pump.next(), 300);
  EXPECT_EQ(p.fired_at, (std::vector<std::int64_t>{100, 204}));
  p.pump.Schedule(std::nullopt);
  EXPECT_FALSE(p.pump.running());
}

// A batch that fired late starts the timer again on the next instant, so
// that the lateness is not kept from then on.
TEST(TimerPump, ALateBatchStartsTheTimerAgainOnTheInstant) {
  Pump p;
  p.pump.Schedule(100);
  p.FireAt(100, 200);
  ASSERT_TRUE(p.pump.periodic());
  p.FireAt(230, 300);
  EXPECT_TRUE(p.pump.running());
  EXPECT_FALSE(p.pump.periodic());
  EXPECT_EQ(p.pump.next(), 300);
  EXPECT_EQ(p.pump.delay_ms(), 70);
  // An instant already past fires at once.
  p.FireAt(420, 400);
  EXPECT_EQ(p.pump.delay_ms(), 0);
}

// Only the next batch's instant makes the timer periodic; any other
// instant is a single shot, and nothing due stops the pump.
TEST(TimerPump, OtherInstantsAreSingleShots) {
  Pump p;
  p.pump.Schedule(100);
  p.FireAt(100, 140);
  EXPECT_TRUE(p.pump.running());
  EXPECT_FALSE(p.pump.periodic());
  EXPECT_EQ(p.pump.delay_ms(), 40);
  p.FireAt(140, std::nullopt);
  EXPECT_FALSE(p.pump.running());
}

}  // namespace
}  // namespace qt
