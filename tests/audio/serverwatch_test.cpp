// The watch over the server's cycles, with made-up cycles and answers: a
// server whose cycles stopped and that takes no client is lost, once; one
// that only stalls, or whose cycles go on, is not.
#include "audio/serverwatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace audio {
namespace {

TEST(ServerWatch, OnlyAServerWhoseCyclesStoppedAndThatTakesNoClientIsLost) {
  struct Case {
    bool cycling;
    bool answers;
    bool lost;
  };
  for (const Case& c :
       {Case{false, false, true}, Case{false, true, false}, Case{true, false, false}}) {
    std::atomic<std::uint64_t> cycles{0};
    std::atomic<int> asked{0}, lost{0};
    {
      ServerWatch::Hooks hooks;
      hooks.cycles = [&] { return c.cycling ? ++cycles : cycles.load(); };
      hooks.answers = [&] {
        ++asked;
        return c.answers;
      };
      hooks.lost = [&] { ++lost; };
      ServerWatch watch(std::move(hooks), std::chrono::milliseconds(5),
                        std::chrono::milliseconds(20));
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_EQ(lost.load(), c.lost ? 1 : 0) << c.cycling << c.answers;
    if (c.cycling)
      EXPECT_EQ(asked.load(), 0);
    else
      EXPECT_GE(asked.load(), 1);
  }
}

}  // namespace
}  // namespace audio
