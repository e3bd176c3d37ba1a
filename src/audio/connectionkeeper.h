#pragma once
// Keeps the cards' connections (ConnectionMemory) in a file of their own
// and in step with the server: at the start it makes what is remembered;
// then the server's reports of ports that came, went, connected or
// disconnected (on its notification thread) only wake the keeper's thread,
// which lets a burst of them settle, looks at the graph once, makes the
// connections whose ports came back and stores what changed. JACK calls
// that change the graph may not be made from the server's callbacks, and
// never from the real-time thread.
#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/connections.h"
#include "sim/settler.h"

namespace audio {

class ConnectionKeeper {
 public:
  static constexpr std::chrono::milliseconds kSettle{100};

  ConnectionKeeper() = default;
  ~ConnectionKeeper() { Stop(); }
  ConnectionKeeper(const ConnectionKeeper&) = delete;
  ConnectionKeeper& operator=(const ConnectionKeeper&) = delete;

  // Reads the file, makes what it remembers of ours (the cards' ports, by
  // their full names) through client, and from then on keeps it, until
  // Stop or until gone turns true (the server went away: nothing is asked
  // of it any more).
  void Start(std::filesystem::path file, jack_client_t* client, std::vector<std::string> ours,
             const std::atomic<bool>* gone);
  // Something changed on the server. Any thread but the real-time one.
  void Poke();
  // One last look (what was connected just now is remembered too), the
  // file written, the thread ended. Before the cards' ports are
  // disconnected by their deactivation, which is not the user's doing.
  void Stop();

 private:
  void Look();

  std::filesystem::path file_;
  jack_client_t* client_ = nullptr;
  std::vector<std::string> ours_;
  const std::atomic<bool>* gone_ = nullptr;

  std::mutex look_mu_;  // the memory and the looks
  ConnectionMemory memory_;

  std::mutex mu_;  // the looking thread, while it runs
  std::unique_ptr<sim::Settler> looker_;
};

}  // namespace audio
