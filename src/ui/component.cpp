#include "ui/component.h"

#include <algorithm>

#include "ui/application.h"
#include "ui/layout.h"
#include "ui/safeptr.h"
#include "ui/sysutils.h"

namespace ui {

std::int64_t PropValue::AsInt() const {
  if (kind != Kind::Int) throw LayoutError(line, "integer expected");
  return i;
}

std::string PropValue::AsString() const {
  if (kind == Kind::Str || kind == Kind::Ident) return s;
  if (kind == Kind::Int) return std::to_string(i);
  throw LayoutError(line, "string expected");
}

bool PropValue::AsBool() const {
  if (kind == Kind::Ident && (s == "True" || s == "False")) return s == "True";
  throw LayoutError(line, "True or False expected");
}

const std::string& PropValue::AsIdent() const {
  if (kind != Kind::Ident) throw LayoutError(line, "identifier expected");
  return s;
}

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_) owner_->InsertComponent(this);
}

TComponent::~TComponent() {
  ClearWeakReferences();
  destroying_ = true;
  if (TApplication* app = Application(); app && app != this) app->ForgetDeferred(this);
  // Owned components go last-created first, as the framework frees them.
  while (!components_.empty()) {
    TComponent* c = components_.back();
    components_.pop_back();
    c->owner_ = nullptr;
    c->Free();
  }
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Free() {
  ClearWeakReferences();
  if (TApplication* app = Application(); app && !destroying_ && app->DeferFree(this)) return;
  Destroy();
}

void TComponent::Destroy() {
  ClearWeakReferences();
  if (!destroying_) BeforeDestruction();
  destroying_ = true;
  delete this;
}

void WeakTarget::ClearWeakReferences() {
  gone_ = true;
  for (FreeLink* link : links_) link->target_ = nullptr;
  links_.clear();
}

void FreeLink::Link(WeakTarget* t) {
  if (t == target_) return;
  if (target_) {
    auto& links = target_->links_;
    links.erase(std::find(links.begin(), links.end(), this));
  }
  target_ = t && !t->Gone() ? t : nullptr;
  if (target_) target_->links_.push_back(this);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->Name(), name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* c) {
  components_.push_back(c);
}

void TComponent::RemoveComponent(TComponent* c) {
  auto it = std::find(components_.begin(), components_.end(), c);
  if (it != components_.end()) components_.erase(it);
}

bool TComponent::SetProperty(const std::string& name, const PropValue& v, LayoutReader&) {
  if (name == "Tag") {
    tag_ = static_cast<std::int32_t>(v.AsInt());
    return true;
  }
  return false;
}

}  // namespace ui
