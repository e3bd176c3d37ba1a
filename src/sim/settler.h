#pragma once
// A thread that acts a moment after it is woken; what wakes it meanwhile
// joins the same act. A dragged fader's changes become one write of the
// mix, a program's port registrations one look at the audio server's graph.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace sim {

class Settler {
 public:
  Settler(std::chrono::milliseconds delay, std::function<void()> act);
  // Stops: an act still settling is dropped (its owner acts last itself).
  ~Settler();
  Settler(const Settler&) = delete;
  Settler& operator=(const Settler&) = delete;

  // Any thread; the act runs on the settler's own.
  void Poke();

 private:
  void Loop();

  const std::chrono::milliseconds delay_;
  const std::function<void()> act_;
  std::mutex mu_;
  std::condition_variable cv_;
  bool poked_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace sim
