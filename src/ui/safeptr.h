#pragma once
// Weak references to components and peers. A pointer that is held across a
// pumped queue, a modal loop or a call into the model may outlive what it
// points to: a handler run meanwhile can free the window, and with it its
// peers. A TSafePtr reads null from the moment its component is freed (also
// when the application puts the destruction off until the modal loops have
// returned) or its peer destroyed, so the holder only has to look.
#include "ui/component.h"

namespace ui {

template <typename T>
class TSafePtr {
 public:
  TSafePtr() = default;
  TSafePtr(T* p) { *this = p; }  // NOLINT(google-explicit-constructor): a drop-in for T*
  TSafePtr& operator=(T* p) {
    link_.Link(p);
    ptr_ = link_.Target() ? p : nullptr;
    return *this;
  }

  T* get() const { return link_.Target() ? ptr_ : nullptr; }
  operator T*() const { return get(); }  // NOLINT(google-explicit-constructor)
  T* operator->() const { return get(); }
  T& operator*() const { return *get(); }

 private:
  FreeLink link_;
  T* ptr_ = nullptr;
};

}  // namespace ui
