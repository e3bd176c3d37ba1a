#include "remote/requests.h"

#include "remote/surface.h"

namespace remote {

bool RequestQueue::Submit(std::function<void()> request) {
  if (waiting_.size() >= kMaxWaiting) return false;
  waiting_.push_back(std::move(request));
  Run();
  return true;
}

bool RequestQueue::Run() {
  // A request may run a nested loop (a box it brings up) that hears of
  // the next request: that one waits for this one to end.
  if (running_) return false;
  running_ = true;
  bool ran = false;
  while (!waiting_.empty() && !surface_.Busy()) {
    std::function<void()> request = std::move(waiting_.front());
    waiting_.pop_front();
    request();
    ++carried_;
    ran = true;
  }
  running_ = false;
  return ran;
}

}  // namespace remote
