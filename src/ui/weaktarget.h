#pragma once
// What a weak reference (ui::TSafePtr, ui/safeptr.h) can point at: a
// component, or a widgetset's peer. The target clears every reference to
// it when it goes (a component already when it is freed), so a holder only
// has to look.
#include <vector>

namespace ui {

class WeakTarget;

// The untyped link a target clears when it goes.
class FreeLink {
 public:
  FreeLink() = default;
  FreeLink(const FreeLink& other) { Link(other.target_); }
  FreeLink& operator=(const FreeLink& other) {
    Link(other.target_);
    return *this;
  }
  ~FreeLink() { Link(nullptr); }

  WeakTarget* Target() const { return target_; }
  // Follows t from now on; a target already gone links as null.
  void Link(WeakTarget* t);

 private:
  friend class WeakTarget;
  WeakTarget* target_ = nullptr;
};

class WeakTarget {
 public:
  WeakTarget() = default;
  WeakTarget(const WeakTarget&) = delete;
  WeakTarget& operator=(const WeakTarget&) = delete;

  // True once the references were cleared: the target is going or gone.
  bool Gone() const { return gone_; }

 protected:
  ~WeakTarget() { ClearWeakReferences(); }
  // Every weak reference reads null from here on, and no new one links.
  void ClearWeakReferences();

 private:
  friend class FreeLink;
  std::vector<FreeLink*> links_;
  bool gone_ = false;
};

}  // namespace ui
