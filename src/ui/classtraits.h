#pragma once
// What the program knows about each class of component, in one registration
// per class. The layer that defines a class registers it (with the name the
// layout reader makes it by, and its base); every layer above attaches its
// own facet to that registration: the framework its peer and what its user
// reads and does (ui/controltraits.h), the settings store what it keeps and
// how it is cloned, the mixer windows how a clone is renumbered, the runner
// how it is dumped and set, the Qt widgetset how a screen reader names it.
//
// One rule finds a component's traits: those of its own class when that is
// registered, else those of its nearest registered base; and a facet its
// class does not state is its nearest registered base's. So a form, or a
// control subclassed in code, is what its base is. A registration may not
// leave a facet out by accident: the traits test wants every facet stated by
// every registered class, except by a twin (a class registered as its base
// plus what only the layout sees, a bilingual caption), which states only
// where it differs.
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <typeindex>
#include <typeinfo>
#include <unordered_map>
#include <vector>

#include "ui/component.h"

namespace ui {

class ClassTraits {
 public:
  using Factory = TComponent* (*)(TComponent* owner);
  // Made and filled in by the registry (ClassRegistry).
  ClassTraits() = default;

  // The class's name (the layout reader's, where it makes the class).
  const std::string& Name() const { return name_; }
  // The nearest registered base; null for the root, TComponent.
  const ClassTraits* Base() const { return base_; }
  // Made by the layout reader under Name().
  bool InLayouts() const { return factory_ != nullptr; }
  TComponent* Make(TComponent* owner) const { return factory_(owner); }
  // Registered as its base: it states only the facets where it differs.
  bool Twin() const { return twin_; }

  // The facet F that applies to the class: its own, else that of its
  // nearest registered base; null when no class up to the root states one.
  template <typename F>
  const F* Get() const {
    for (const ClassTraits* t = this; t; t = t->base_)
      if (const F* f = t->Own<F>()) return f;
    return nullptr;
  }
  // The class's own facet F; null when it leaves it to its base.
  template <typename F>
  const F* Own() const {
    auto it = facets_.find(std::type_index(typeid(F)));
    return it == facets_.end() ? nullptr : static_cast<const F*>(it->second.get());
  }
  // States the class's facet F; a second one for the same class is a
  // mistake (std::logic_error).
  template <typename F>
  ClassTraits& Set(F facet) {
    SetFacet(std::type_index(typeid(F)), std::make_shared<const F>(std::move(facet)));
    return *this;
  }

 private:
  friend struct ClassRegistry;
  void SetFacet(std::type_index type, std::shared_ptr<const void> facet);

  std::string name_;
  const ClassTraits* base_ = nullptr;
  int depth_ = 0;
  Factory factory_ = nullptr;
  bool twin_ = false;
  bool (*is_a_)(const TComponent&) = nullptr;
  std::unordered_map<std::type_index, std::shared_ptr<const void>> facets_;
};

struct ClassRegistry {
  struct Entry {
    std::type_index type;
    std::string name;
    std::type_index base;  // typeid(void) for the root
    ClassTraits::Factory factory;
    bool twin;
    bool (*is_a)(const TComponent&);
  };
  // Adds a class whose base is registered already; a class registered twice
  // is a mistake (std::logic_error).
  static ClassTraits& Add(const Entry& e);
  // The registration of exactly this class; raises std::logic_error when
  // the class was never registered.
  static ClassTraits& Of(std::type_index type);
  static const ClassTraits& Find(const TComponent& c);
  static const ClassTraits* FindLayoutClass(const std::string& name);
  static std::vector<const ClassTraits*> All();

 private:
  struct State;
  static State& Get();
};

namespace traits_detail {
template <typename T>
bool IsA(const TComponent& c) {
  return dynamic_cast<const T*>(&c) != nullptr;
}
template <typename T>
TComponent* Make(TComponent* owner) {
  return Create<T>(owner);
}
template <typename T, typename Base>
ClassTraits& Add(const char* name, bool layout, bool twin) {
  static_assert(std::is_base_of_v<Base, T> && !std::is_same_v<Base, T>);
  return ClassRegistry::Add({std::type_index(typeid(T)), name, std::type_index(typeid(Base)),
                             layout ? &Make<T> : nullptr, twin, &IsA<T>});
}
}  // namespace traits_detail

// Registers T (named name) under its nearest registered base, a class that a
// layout cannot name.
template <typename T, typename Base>
ClassTraits& RegisterClass(const char* name) {
  return traits_detail::Add<T, Base>(name, false, false);
}
// Registers T under its nearest registered base, made by the layout reader
// under name.
template <typename T, typename Base>
ClassTraits& RegisterLayoutClass(const char* name) {
  return traits_detail::Add<T, Base>(name, true, false);
}
// Registers T, made by the layout reader under name, as its base: a twin
// that states a facet only where it differs.
template <typename T, typename Base>
ClassTraits& RegisterTwin(const char* name) {
  return traits_detail::Add<T, Base>(name, true, true);
}
// The registration of exactly T, for a layer to attach its facets.
template <typename T>
ClassTraits& TraitsOfClass() {
  return ClassRegistry::Of(std::type_index(typeid(T)));
}

// The traits that apply to c: its class's, else its nearest registered
// base's; at least the root's, TComponent's, which is registered from the
// start.
inline const ClassTraits& TraitsOf(const TComponent& c) {
  return ClassRegistry::Find(c);
}
// The facet F that applies to c; null when no class states it.
template <typename F>
const F* FacetOf(const TComponent& c) {
  return TraitsOf(c).Get<F>();
}
// The class the layout reader makes under name; null when there is none.
inline const ClassTraits* LayoutClass(const std::string& name) {
  return ClassRegistry::FindLayoutClass(name);
}
// Every registration, in the order they were made.
inline std::vector<const ClassTraits*> RegisteredClasses() {
  return ClassRegistry::All();
}

}  // namespace ui
