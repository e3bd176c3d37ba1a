#pragma once
// Weak references to components. A pointer that is held across a pumped
// queue or a modal loop may outlive what it points to: a handler run by the
// pump can free the window. A TSafePtr reads null from the moment its
// component is freed (also when the application puts the destruction off
// until the modal loops have returned), so the holder only has to look.
#include "ui/component.h"

namespace ui {

// The untyped link a component clears when it is freed.
class FreeLink {
 public:
  FreeLink() = default;
  explicit FreeLink(TComponent* c) { Link(c); }
  FreeLink(const FreeLink& other) { Link(other.target_); }
  FreeLink& operator=(const FreeLink& other) {
    Link(other.target_);
    return *this;
  }
  ~FreeLink() { Link(nullptr); }

  TComponent* Target() const { return target_; }
  // Follows c from now on; a component already freed links as null.
  void Link(TComponent* c);

 private:
  friend class TComponent;
  TComponent* target_ = nullptr;
};

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
