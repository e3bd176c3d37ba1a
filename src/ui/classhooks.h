#pragma once
// Per-class hooks: what one part of the program does with a component of a
// given class (copy it, store its state, describe it), registered for each
// class as the layout reader registers its factories. A component finds its
// hooks by its exact class: the order of registration never matters, and a
// subclass nobody registered is never taken for its base.
#include <typeindex>
#include <typeinfo>
#include <unordered_map>
#include <utility>

#include "ui/component.h"

namespace ui {

template <typename Hooks>
class ClassHooks {
 public:
  template <typename T>
  ClassHooks& Add(Hooks hooks) {
    hooks_[std::type_index(typeid(T))] = std::move(hooks);
    return *this;
  }
  // The hooks of c's own class; null when that class has none.
  const Hooks* Find(const TComponent& c) const {
    auto it = hooks_.find(std::type_index(typeid(c)));
    return it == hooks_.end() ? nullptr : &it->second;
  }

 private:
  std::unordered_map<std::type_index, Hooks> hooks_;
};

}  // namespace ui
