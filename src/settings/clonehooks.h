#pragma once
// How a card strip's control is copied for a further card, by its exact
// class. A class without hooks cannot be cloned (CloneComponents names it),
// also when it derives from one that can.
#include <functional>

#include "ui/control.h"

namespace settings {

struct CloneHooks {
  // Makes the copy, owned by owner, with the properties the class copies.
  std::function<ui::TControl*(const ui::TControl& from, ui::TComponent* owner)> copy;
  // The source's children are cloned into the copy.
  bool container = false;
};

// The hooks of c's class; null when it cannot be cloned.
const CloneHooks* CloneHooksOf(const ui::TComponent& c);

}  // namespace settings
