#pragma once
// TComponent: the named, tagged, owned building block of every form. An
// owner keeps its components in creation order (the order settings are
// saved and loaded in) and frees them when it is freed.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/exceptions.h"
#include "ui/weaktarget.h"
#include "ui/wintypes.h"

namespace ui {

class TComponent;
class LayoutReader;

// One property value as written in a layout file.
struct PropValue {
  enum class Kind { Int, Str, Ident, Set, List };
  Kind kind = Kind::Int;
  std::int64_t i = 0;
  std::string s;                   // Str and Ident
  std::vector<std::string> items;  // Set (identifiers) and List (strings)
  int line = 0;

  std::int64_t AsInt() const;
  std::string AsString() const;
  bool AsBool() const;
  const std::string& AsIdent() const;
};

// Events. Sender is the component that raised the event.
using TNotifyEvent = std::function<void(TComponent* Sender)>;
enum class TMouseButton { mbLeft, mbRight, mbMiddle };
using TShiftState = unsigned;
inline constexpr TShiftState ssShift = 1;
using TMouseEvent =
    std::function<void(TComponent* Sender, TMouseButton, TShiftState, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TComponent* Sender, TShiftState, int X, int Y)>;
using TKeyEvent = std::function<void(TComponent* Sender, WORD& Key, TShiftState)>;

class TComponent : public WeakTarget {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();

  virtual const char* ClassName() const { return "TComponent"; }

  const std::string& Name() const { return name_; }
  virtual void SetName(const std::string& name) { name_ = name; }
  std::int32_t Tag() const { return tag_; }
  void SetTag(std::int32_t tag) { tag_ = tag; }

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int i) const { return components_.at(i); }
  const std::vector<TComponent*>& ComponentList() const { return components_; }
  TComponent* FindComponent(const std::string& name) const;

  // True while a layout file is being read into the component.
  bool Loading() const { return loading_; }
  void SetLoading(bool v) { loading_ = v; }
  // Called on every component read from a layout, once the whole form is read.
  virtual void Loaded() { loading_ = false; }
  bool Destroying() const { return destroying_; }

  // Applies one layout property; false when the component has no such property.
  virtual bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r);

  // Frees the component (and everything it owns). The one sanctioned delete.
  // Every weak reference to it (ui::TSafePtr) reads null from here on.
  void Free();
  // True once Free was called, also while the destruction is put off.
  bool Freed() const { return Gone(); }
  // Runs before the component and its owned components are destroyed, while
  // the whole object is still intact (forms run FormDestroy here).
  virtual void BeforeDestruction() { destroying_ = true; }

 protected:
  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);
  // Destroys at once; only for a caller that knows no code of the component
  // is on the stack (a form whose modal run has returned).
  void Destroy();

 private:
  std::string name_;
  std::int32_t tag_ = 0;
  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  bool loading_ = false;
  bool destroying_ = false;
};

// Creates a component owned by owner (which frees it).
template <typename T, typename... Args>
T* Create(TComponent* owner, Args&&... args) {
  return new T(owner, std::forward<Args>(args)...);
}

}  // namespace ui
