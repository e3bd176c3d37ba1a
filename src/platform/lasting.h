#pragma once
// Process-wide state that is never destroyed: whatever saves on its way out
// at exit (a window, a card's store) may still ask for it after the other
// statics are gone.
#include <new>
#include <utility>

namespace platform {

template <class T>
class Lasting {
 public:
  template <class... Args>
  explicit Lasting(Args&&... args) {
    ::new (static_cast<void*>(storage_)) T(std::forward<Args>(args)...);
  }
  Lasting(const Lasting&) = delete;
  Lasting& operator=(const Lasting&) = delete;
  T& get() { return *std::launder(reinterpret_cast<T*>(storage_)); }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace platform
