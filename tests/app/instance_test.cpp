// One instance per session, tried with two processes: the second finds the
// first, asks it to show its control window and is told no; a lock left by
// a crashed instance is taken over.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/instance.h"
#include "app/show_request.h"
#include "common/tempdir.h"

namespace {

class Instance : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = platform::MakeTemporaryFolder("instance"); }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(Instance, ASecondStartAsksTheFirstToShowItself) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t first = ::fork();
  if (first == 0) {
    app::SingleInstance running(dir_);
    if (!running.Acquire()) std::_Exit(2);
    if (::write(ready[1], "r", 1) != 1) std::_Exit(2);
    pollfd p{running.listen_fd(), POLLIN, 0};
    if (::poll(&p, 1, 5000) != 1) std::_Exit(3);
    std::_Exit(testing_support::TakeShow(running) ? 0 : 4);
  }
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  app::SingleInstance second(dir_);
  EXPECT_FALSE(second.Acquire());
  EXPECT_TRUE(testing_support::SendShow(second));
  int status = 0;
  ::waitpid(first, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(Instance, TheLockOfACrashedInstanceIsTakenOver) {
  const pid_t crashed = ::fork();
  if (crashed == 0) {
    app::SingleInstance running(dir_);
    std::_Exit(running.Acquire() ? 0 : 2);  // no clean-up runs: a crash
  }
  int status = 0;
  ::waitpid(crashed, &status, 0);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  ASSERT_TRUE(std::filesystem::exists(dir_ / "morva-manager.socket"));
  app::SingleInstance next(dir_);
  ASSERT_TRUE(next.Acquire());
  ASSERT_GE(next.listen_fd(), 0);
  app::SingleInstance start(dir_);
  EXPECT_TRUE(testing_support::SendShow(start));
  EXPECT_TRUE(testing_support::TakeShow(next));
}

}  // namespace
