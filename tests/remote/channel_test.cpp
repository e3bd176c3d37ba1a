// The command line's way into the running program: requests and replies
// survive the socket whole, however they arrive; what is no request gets
// an answer that says so, and a peer that goes away costs nothing.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "remote/channel.h"

namespace {

using remote::ChannelConnection;
using remote::CommandReply;
using remote::Status;
using Step = ChannelConnection::Step;

struct Pair {
  Pair() { EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fd), 0); }
  ~Pair() {
    if (fd[1] >= 0) ::close(fd[1]);
  }
  int fd[2];
};

TEST(ChannelRequests, WordsComeBackAsTheyWereAndWhatIsNoRequestIsSaid) {
  using Words = std::vector<std::string>;
  const Words set{"set", "/card/1/inputs/1/fader", "-7.5"}, load{"load", "Live im Saal"};
  struct Case {
    std::string bytes;
    std::optional<Words> words;  // none: not whole yet, or never
    bool bad;
  } cases[] = {{remote::EncodeRequest(set), set, false},
               {remote::EncodeRequest(load), load, false},
               {"show\n", Words{"show"}, false},  // what a second start sends
               {std::string("get\0/x", 6), {}, false},
               {std::string(remote::kMaxRequest, 'a'), {}, true},
               {std::string(remote::kMaxRequest + 1, 'a') + "\n", {}, true},
               {std::string(200 * 2, '\0') + "\n", {}, true}};
  for (const Case& c : cases) {
    bool bad = false;
    EXPECT_EQ(remote::DecodeRequest(c.bytes, bad), c.words) << c.bytes.substr(0, 20);
    EXPECT_EQ(bad, c.bad) << c.bytes.substr(0, 20);
  }
  const CommandReply back =
      remote::DecodeReply(remote::EncodeReply({Status::kFailed, "no card 3: the system has 2"}));
  EXPECT_EQ(back.status, Status::kFailed);
  EXPECT_EQ(back.text, "no card 3: the system has 2\n");
  EXPECT_EQ(remote::DecodeReply("7\nmaybe").status, Status::kFailed);
  EXPECT_EQ(remote::DecodeReply("").status, Status::kFailed);
}

TEST(ChannelConnection, ARequestInPiecesIsAnsweredWholeAndABadOneIsRefused) {
  {
    Pair p;
    ChannelConnection server(p.fd[0]);
    const std::string request = remote::EncodeRequest({"get", "/window/inputs/open"});
    ASSERT_EQ(::write(p.fd[1], request.data(), 5), 5);
    EXPECT_EQ(server.Read(), Step::kReading);
    ASSERT_EQ(::write(p.fd[1], request.data() + 5, request.size() - 5),
              static_cast<ssize_t>(request.size() - 5));
    ASSERT_EQ(server.Read(), Step::kRequest);
    EXPECT_EQ(server.words(), (std::vector<std::string>{"get", "/window/inputs/open"}));
    EXPECT_EQ(server.Answer({Status::kOk, "on"}), Step::kDone);
    char buf[32] = {};
    EXPECT_EQ(::read(p.fd[1], buf, sizeof buf), 5);
    EXPECT_STREQ(buf, "0\non\n");
  }
  {
    Pair p;
    ChannelConnection server(p.fd[0]);
    const std::string flood(remote::kMaxRequest + 10, 'x');
    std::thread writer([&] { (void)::write(p.fd[1], flood.data(), flood.size()); });
    Step s = Step::kReading;
    while (s == Step::kReading) s = server.Read();
    writer.join();
    EXPECT_NE(s, Step::kRequest);
    char buf[64] = {};
    ASSERT_GT(::read(p.fd[1], buf, sizeof buf), 0);
    EXPECT_EQ(buf[0], '2');
  }
  {
    // The peer goes before its request is whole, or before its answer.
    Pair p;
    ChannelConnection server(p.fd[0]);
    ASSERT_EQ(::write(p.fd[1], "get", 3), 3);
    ::close(p.fd[1]);
    p.fd[1] = -1;
    EXPECT_EQ(server.Read(), Step::kDone);
    EXPECT_EQ(server.Answer({Status::kOk, "on"}), Step::kDone);
  }
}

TEST(ChannelConnection, TheClientGetsTheAnswerOrSaysWhyNot) {
  {
    Pair p;
    std::thread running([fd = p.fd[0]] {
      ChannelConnection server(fd);
      while (server.Read() == Step::kReading) {
      }
      server.Answer({Status::kFailed, "why"});
    });
    const CommandReply r = remote::AskRunning(p.fd[1], {"get", "/nothing"}, 5000);
    running.join();
    EXPECT_EQ(r.status, Status::kFailed);
    EXPECT_EQ(r.text, "why\n");
  }
  {
    // A program that takes the request and never answers.
    Pair p;
    const CommandReply r = remote::AskRunning(p.fd[1], {"show"}, 50);
    EXPECT_EQ(r.status, Status::kFailed);
    ::close(p.fd[0]);
  }
  {
    Pair p;
    ::close(p.fd[0]);
    EXPECT_EQ(remote::AskRunning(p.fd[1], {"show"}, 1000).status, Status::kNotRunning);
  }
}

}  // namespace
