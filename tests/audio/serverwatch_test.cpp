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

using std::chrono::milliseconds;

TEST(ServerWatch, OnlyAServerWhoseCyclesStoppedAndThatTakesNoClientIsLost) {
  struct Case {
    bool cycling, answers, lost;
  };
  for (const Case& c : {Case{false, false, true}, {false, true, false}, {true, false, false}}) {
    SCOPED_TRACE(testing::Message() << "cycling " << c.cycling << ", answers " << c.answers);
    std::atomic<std::uint64_t> cycles{0};
    std::atomic<int> asked{0}, lost{0};
    {
      ServerWatch watch({.cycles = [&] { return c.cycling ? ++cycles : cycles.load(); },
                         .answers = [&] { return ++asked, c.answers; },
                         .lost = [&] { ++lost; }},
                        milliseconds(5), milliseconds(20));
      std::this_thread::sleep_for(milliseconds(200));
    }
    EXPECT_EQ(lost.load(), c.lost ? 1 : 0);
    EXPECT_EQ(asked.load() > 0, !c.cycling);  // a server still cycling is never asked
  }
}

}  // namespace
}  // namespace audio
