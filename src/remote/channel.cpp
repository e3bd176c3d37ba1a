#include "remote/channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace remote {

namespace {

constexpr std::size_t kMaxWords = 130;  // set with 64 pairs, and its name

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

std::string EncodeRequest(const std::vector<std::string>& words) {
  std::string s;
  for (const std::string& w : words) {
    s += w;
    s += '\0';
  }
  s += '\n';
  return s;
}

std::optional<std::vector<std::string>> DecodeRequest(std::string_view buffer, bool& bad) {
  bad = false;
  const std::size_t end = buffer.find('\n');
  if (end == std::string_view::npos) {
    bad = buffer.size() >= kMaxRequest;
    return std::nullopt;
  }
  if (end >= kMaxRequest) {
    bad = true;
    return std::nullopt;
  }
  std::vector<std::string> words;
  std::string_view body = buffer.substr(0, end);
  // A word ends at its zero byte; the last one may go without ("show\n").
  while (!body.empty()) {
    const std::size_t zero = body.find('\0');
    words.emplace_back(body.substr(0, zero));
    if (words.size() > kMaxWords) {
      bad = true;
      return std::nullopt;
    }
    body = zero == std::string_view::npos ? std::string_view() : body.substr(zero + 1);
  }
  return words;
}

std::string EncodeReply(const CommandReply& reply) {
  std::string s = std::to_string(static_cast<int>(reply.status)) + "\n" + reply.text;
  if (!reply.text.empty() && reply.text.back() != '\n') s += '\n';
  return s;
}

CommandReply DecodeReply(std::string_view text) {
  const std::size_t nl = text.find('\n');
  const std::string_view status = text.substr(0, nl);
  CommandReply r;
  if (nl == std::string_view::npos || status.size() != 1 || status[0] < '0' || status[0] > '3')
    return {Status::kFailed, "MORVA Manager gave an answer that is none"};
  r.status = static_cast<Status>(status[0] - '0');
  r.text = std::string(text.substr(nl + 1));
  return r;
}

ChannelConnection::ChannelConnection(int fd) : fd_(fd) {
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
}

ChannelConnection::~ChannelConnection() {
  if (fd_ >= 0) ::close(fd_);
}

ChannelConnection::Step ChannelConnection::Read() {
  char buf[4096];
  for (;;) {
    const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return Step::kReading;
    if (n <= 0) break;
    in_.append(buf, static_cast<std::size_t>(n));
    bool bad = false;
    if (auto words = DecodeRequest(in_, bad)) {
      words_ = std::move(*words);
      return Step::kRequest;
    }
    if (bad) return Answer({Status::kUsage, "the request is none MORVA Manager takes"});
  }
  // The peer went before its request was whole.
  return Step::kDone;
}

ChannelConnection::Step ChannelConnection::Answer(const CommandReply& reply) {
  out_ = EncodeReply(reply);
  written_ = 0;
  return Write();
}

ChannelConnection::Step ChannelConnection::Write() {
  while (written_ < out_.size()) {
    const ssize_t n =
        ::send(fd_, out_.data() + written_, out_.size() - written_, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return Step::kWriting;
    if (n <= 0) return Step::kDone;  // the peer went: nobody to tell
    written_ += static_cast<std::size_t>(n);
  }
  return Step::kDone;
}

CommandReply AskRunning(int fd, const std::vector<std::string>& words, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  const CommandReply no_answer{Status::kFailed,
                               "MORVA Manager did not answer in time (a dialog of it may wait "
                               "for an answer)"};
  const std::string request = EncodeRequest(words);
  std::size_t sent = 0;
  while (sent < request.size()) {
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, MsLeft(deadline)) <= 0) return no_answer;
    const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return {Status::kNotRunning, "MORVA Manager went away"};
    sent += static_cast<std::size_t>(n);
  }
  std::string reply;
  char buf[4096];
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, MsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return no_answer;
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return {Status::kNotRunning, "MORVA Manager went away"};
    if (n == 0) break;
    reply.append(buf, static_cast<std::size_t>(n));
  }
  if (reply.empty()) return {Status::kNotRunning, "MORVA Manager went away without an answer"};
  return DecodeReply(reply);
}

}  // namespace remote
