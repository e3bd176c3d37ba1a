#pragma once
// Hears the audio server's loss when its clients are not told of it (under
// load, PipeWire's JACK library has been seen not to call back at all):
// every interval it looks whether the cards' cycles went on; once none did
// for a stall, it asks whether a client can still join the server, and
// when none can, the server is lost, said once. A server that only stalls
// answers, and nothing happens.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace audio {

class ServerWatch {
 public:
  struct Hooks {
    std::function<std::uint64_t()> cycles;  // the cards' cycles so far
    std::function<bool()> answers;          // whether a client can join now
    std::function<void()> lost;
  };
  explicit ServerWatch(Hooks hooks,
                       std::chrono::milliseconds interval = std::chrono::milliseconds(250),
                       std::chrono::milliseconds stall = std::chrono::milliseconds(1000));
  ~ServerWatch();
  ServerWatch(const ServerWatch&) = delete;
  ServerWatch& operator=(const ServerWatch&) = delete;

 private:
  void Loop();

  const Hooks hooks_;
  const std::chrono::milliseconds interval_;
  const std::chrono::milliseconds stall_;
  std::mutex mu_;
  std::condition_variable cv_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace audio
