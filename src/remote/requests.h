#pragma once
// Requests from outside, in the order they came. While the program waits
// for the answer to a dialog (a modal window, a message box) they wait
// too, as the user's clicks elsewhere would; they are carried out once it
// has its answer.
#include <cstdint>
#include <deque>
#include <functional>

namespace remote {

class ControlSurface;

class RequestQueue {
 public:
  // A request that cannot wait longer is dropped past this many.
  static constexpr std::size_t kMaxWaiting = 4096;

  explicit RequestQueue(ControlSurface& surface) : surface_(surface) {}

  // Carried out now when nothing waits and the program is free, else
  // queued. False when the queue is full and the request was dropped.
  bool Submit(std::function<void()> request);
  // Carries out what waits, as far as the program is free; true when
  // something was carried out.
  bool Run();
  bool Waiting() const { return !waiting_.empty(); }
  // How many requests were carried out so far.
  std::uint64_t Carried() const { return carried_; }
  // Drops what waits (the program ends).
  void Clear() { waiting_.clear(); }

 private:
  ControlSurface& surface_;
  std::deque<std::function<void()>> waiting_;
  bool running_ = false;
  std::uint64_t carried_ = 0;
};

}  // namespace remote
