#include "ui/classtraits.h"

#include <map>
#include <mutex>

#include "ui/stdclasses.h"

namespace ui {

struct ClassRegistry::State {
  std::mutex mutex;
  std::vector<std::unique_ptr<ClassTraits>> all;
  std::unordered_map<std::type_index, ClassTraits*> by_type;
  std::map<std::string, const ClassTraits*> by_layout_name;
  // The traits found for each class of component looked up so far; cleared
  // when a class is registered, since it may be a nearer base.
  std::unordered_map<std::type_index, const ClassTraits*> found;
};

// The root is there from the start, so that every lookup finds traits.
ClassRegistry::State& ClassRegistry::Get() {
  static State* state = [] {
    static State s;
    auto root = std::make_unique<ClassTraits>();
    root->name_ = "TComponent";
    root->is_a_ = [](const TComponent&) { return true; };
    s.by_type.emplace(std::type_index(typeid(TComponent)), root.get());
    s.all.push_back(std::move(root));
    return &s;
  }();
  return *state;
}

ClassTraits& ClassRegistry::Add(const Entry& e) {
  State& s = Get();
  std::lock_guard lock(s.mutex);
  if (s.by_type.count(e.type)) throw std::logic_error(e.name + " is registered twice");
  auto base = s.by_type.find(e.base);
  if (base == s.by_type.end()) throw std::logic_error(e.name + " is registered before its base");
  if (e.factory && s.by_layout_name.count(e.name))
    throw std::logic_error("two classes are made by the name " + e.name);
  auto t = std::make_unique<ClassTraits>();
  t->name_ = e.name;
  t->base_ = base->second;
  t->depth_ = base->second->depth_ + 1;
  t->factory_ = e.factory;
  t->twin_ = e.twin;
  t->is_a_ = e.is_a;
  ClassTraits& added = *t;
  s.by_type.emplace(e.type, t.get());
  if (e.factory) s.by_layout_name.emplace(e.name, t.get());
  s.all.push_back(std::move(t));
  s.found.clear();
  return added;
}

ClassTraits& ClassRegistry::Of(std::type_index type) {
  State& s = Get();
  std::lock_guard lock(s.mutex);
  auto it = s.by_type.find(type);
  if (it == s.by_type.end())
    throw std::logic_error(std::string("no registration of ") + type.name());
  return *it->second;
}

const ClassTraits& ClassRegistry::Find(const TComponent& c) {
  RegisterStandardClasses();
  State& s = Get();
  std::lock_guard lock(s.mutex);
  const std::type_index type(typeid(c));
  if (auto it = s.found.find(type); it != s.found.end()) return *it->second;
  // The deepest registered class that c is one of: with single inheritance
  // they all lie on one line of bases.
  const ClassTraits* nearest = s.all.front().get();
  for (const auto& t : s.all)
    if (t->depth_ > nearest->depth_ && t->is_a_(c)) nearest = t.get();
  s.found.emplace(type, nearest);
  return *nearest;
}

const ClassTraits* ClassRegistry::FindLayoutClass(const std::string& name) {
  RegisterStandardClasses();
  State& s = Get();
  std::lock_guard lock(s.mutex);
  auto it = s.by_layout_name.find(name);
  return it == s.by_layout_name.end() ? nullptr : it->second;
}

std::vector<const ClassTraits*> ClassRegistry::All() {
  RegisterStandardClasses();
  State& s = Get();
  std::lock_guard lock(s.mutex);
  std::vector<const ClassTraits*> out;
  for (const auto& t : s.all) out.push_back(t.get());
  return out;
}

void ClassTraits::SetFacet(std::type_index type, std::shared_ptr<const void> facet) {
  if (!facets_.emplace(type, std::move(facet)).second)
    throw std::logic_error(name_ + " states one facet twice");
}

}  // namespace ui
