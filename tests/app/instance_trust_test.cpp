// The one-instance lock and socket against another local user: a folder
// that is not the user's own is not used, whatever stands in the lock's or
// socket's place is not followed or trusted, and neither end talks to a
// process of another user. The second user is "nobody", taken by a forked
// child of a test run as root; elsewhere those tests skip and say so.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>

#include "app/instance.h"
#include "app/show_request.h"
#include "common/tempdir.h"

namespace {

namespace fs = std::filesystem;
constexpr uid_t kNobody = 65534;

#define NEEDS_SECOND_USER() \
  if (::geteuid() != 0)     \
  GTEST_SKIP() << "acting as a second user needs root (fork, then setuid nobody)"

// Runs fn in a child as nobody; the child's exit status is fn's result.
pid_t ForkAsNobody(const std::function<int()>& fn) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) std::_Exit(90);
    std::_Exit(fn());
  }
  return pid;
}

int ExitStatus(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

sockaddr_un Address(const fs::path& p) {
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::strncpy(a.sun_path, p.c_str(), sizeof a.sun_path - 1);
  return a;
}

class InstanceTrust : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = platform::MakeTemporaryFolder("instance_trust"); }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(InstanceTrust, OnlyTheUsersOwnFolderIsTaken) {
  const fs::path own = dir_ / "own", link = dir_ / "link", foreign = dir_ / "foreign";
  fs::create_directory(own);
  fs::create_directory_symlink(own, link);
  fs::create_directory(foreign);
  const bool second_user = ::geteuid() == 0 && ::chown(foreign.c_str(), kNobody, kNobody) == 0;
  struct Case {
    fs::path dir;
    mode_t mode;
    bool closed;
    bool expected;
  } cases[] = {
      {own, 0700, true, true},         {own, 0710, true, false},
      {own, 0755, true, false},        {own, 0755, false, true},
      {own, 0757, false, false},       {link, 0700, true, false},
      {"relative", 0700, true, false}, {dir_ / "missing", 0700, true, false},
  };
  for (const Case& c : cases) {
    if (c.dir.is_absolute() && fs::exists(c.dir)) ::chmod(c.dir.c_str(), c.mode);
    EXPECT_EQ(app::IsOwnFolder(c.dir, c.closed), c.expected)
        << c.dir << " mode " << std::oct << c.mode << (c.closed ? " closed" : " unwritable");
  }
  if (second_user) {
    ::chmod(foreign.c_str(), 0700);
    EXPECT_FALSE(app::IsOwnFolder(foreign, true));
    EXPECT_FALSE(app::IsOwnFolder(foreign, false));
  }
}

TEST_F(InstanceTrust, AnotherUsersRuntimeFolderGivesWayToTheSettingsFolder) {
  NEEDS_SECOND_USER();
  const fs::path runtime = dir_ / "run", settings = dir_ / "settings";
  fs::create_directory(runtime);
  ASSERT_EQ(::chown(runtime.c_str(), kNobody, kNobody), 0);
  ::chmod(runtime.c_str(), 0700);
  ::chmod(dir_.c_str(), 0755);
  testing_support::TempWindowsDir windows("instance_trust_settings");
  const char* old = std::getenv("XDG_RUNTIME_DIR");
  const std::string saved = old ? old : "";
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  EXPECT_EQ(app::InstanceDirectory(), windows.path());
  ::chown(runtime.c_str(), ::geteuid(), ::getegid());
  EXPECT_EQ(app::InstanceDirectory(), runtime);
  if (old)
    ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
  else
    ::unsetenv("XDG_RUNTIME_DIR");
}

// A link, a FIFO or another user's file in the lock's place is neither
// followed nor locked: it is replaced by a lock file of the user's own.
TEST_F(InstanceTrust, WhateverStandsInTheLocksPlaceIsReplaced) {
  const fs::path lock = dir_ / "morva-manager.lock", target = dir_ / "elsewhere";
  const std::function<bool()> plant[] = {
      [&] { return ::symlink(target.c_str(), lock.c_str()) == 0; },
      [&] { return ::mkfifo(lock.c_str(), 0666) == 0; },
      [&] {
        testing_support::Put(lock, "");
        return ::geteuid() == 0 && ::chown(lock.c_str(), kNobody, kNobody) == 0;
      },
  };
  int tried = 0;
  for (const auto& make : plant) {
    fs::remove(lock);
    if (!make()) continue;
    ++tried;
    app::SingleInstance s(dir_);
    ASSERT_TRUE(s.Acquire()) << "plant " << tried;
    struct stat st {};
    ASSERT_EQ(::lstat(lock.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_uid, ::geteuid());
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(fs::exists(target)) << "the link was followed";
  }
  EXPECT_GE(tried, 2);
}

// Another user listens where the instance's socket would be: the start is
// never answered by it, and tells it nothing, even when the socket file
// itself has been made to look like the user's.
TEST_F(InstanceTrust, ASocketOfAnotherUserIsNotTalkedTo) {
  NEEDS_SECOND_USER();
  ::chmod(dir_.c_str(), 0777);
  const fs::path sock = dir_ / "morva-manager.socket";
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t hostile = ForkAsNobody([&] {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a = Address(sock);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 4) != 0)
      return 2;
    ::chmod(sock.c_str(), 0666);
    if (::write(ready[1], "r", 1) != 1) return 2;
    int heard = 0;
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 5000) != 1) return 3;
      const int c = ::accept(fd, nullptr, nullptr);
      char buf[16];
      const ssize_t n = ::read(c, buf, sizeof buf);
      ::close(c);
      if (n > 0) return 10 + heard;  // something was told
      ++heard;
    }
  });
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  app::SingleInstance start(dir_);
  EXPECT_FALSE(testing_support::SendShow(start));
  // Made to look like ours: connected, the peer is still nobody.
  ASSERT_EQ(::lchown(sock.c_str(), ::geteuid(), ::getegid()), 0);
  EXPECT_FALSE(testing_support::SendShow(start));
  ::kill(hostile, SIGTERM);
  int status = 0;
  ::waitpid(hostile, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status))
      << "the hostile listener heard a request: " << WEXITSTATUS(status);
}

// Another user reaches the running instance's socket (made reachable on
// purpose here): the request is not taken.
TEST_F(InstanceTrust, ARequestFromAnotherUserIsNotTaken) {
  NEEDS_SECOND_USER();
  app::SingleInstance running(dir_);
  ASSERT_TRUE(running.Acquire());
  ASSERT_GE(running.listen_fd(), 0);
  const fs::path sock = dir_ / "morva-manager.socket";
  struct stat st {};
  ASSERT_EQ(::lstat(sock.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0077, 0u) << "the socket is open to others";
  ::chmod(dir_.c_str(), 0755);
  ::chmod(sock.c_str(), 0666);
  const pid_t other = ForkAsNobody([&] {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a = Address(sock);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return 2;
    return ::write(fd, "show\n", 5) == 5 ? 0 : 3;
  });
  ASSERT_EQ(ExitStatus(other), 0);
  pollfd p{running.listen_fd(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 5000), 1);
  EXPECT_FALSE(testing_support::TakeShow(running));
  // The user's own request still is.
  app::SingleInstance second(dir_);
  EXPECT_FALSE(second.Acquire());
  EXPECT_TRUE(testing_support::SendShow(second));
  EXPECT_TRUE(testing_support::TakeShow(running));
}

}  // namespace
