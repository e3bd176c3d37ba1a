#pragma once
// The command line's way into the running program: the one-instance
// socket. A request is the command's words, each ended by a zero byte, and
// a line feed after the last; "show\n", what a second start sends, is one.
// The reply is the exit status as a decimal number on a line of its own,
// then the text the command prints. Both ends write with MSG_NOSIGNAL: a
// peer that went away is an error, not a signal.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "remote/commands.h"

namespace remote {

// A longer request is refused unread.
constexpr std::size_t kMaxRequest = 16384;

std::string EncodeRequest(const std::vector<std::string>& words);
// The words of the request at the start of buffer once its line feed has
// come; nothing before. A request that cannot be one (too long, a word
// too many) sets bad.
std::optional<std::vector<std::string>> DecodeRequest(std::string_view buffer, bool& bad);
std::string EncodeReply(const CommandReply& reply);
CommandReply DecodeReply(std::string_view text);

// One connection on the running program's side, never blocking: the
// request is read as it comes, the reply written as the socket takes it.
class ChannelConnection {
 public:
  enum class Step { kReading, kRequest, kWriting, kDone };

  // Takes over fd, a connected local socket.
  explicit ChannelConnection(int fd);
  ~ChannelConnection();
  ChannelConnection(const ChannelConnection&) = delete;
  ChannelConnection& operator=(const ChannelConnection&) = delete;

  int fd() const { return fd_; }
  // Reads what has come: kRequest once the request is whole (words()), or
  // kWriting when it is refused (its reply is on its way); kDone when the
  // peer went.
  Step Read();
  const std::vector<std::string>& words() const { return words_; }
  // Starts the reply: kWriting while some of it waits for Write, kDone
  // once all is written.
  Step Answer(const CommandReply& reply);
  Step Write();

 private:
  int fd_;
  std::string in_;
  std::vector<std::string> words_;
  std::string out_;
  std::size_t written_ = 0;
};

// The client's side on a connected socket: sends the words and waits at
// most timeout_ms for the whole reply.
CommandReply AskRunning(int fd, const std::vector<std::string>& words, int timeout_ms);

}  // namespace remote
