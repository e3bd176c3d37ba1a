#pragma once
// What the settings file keeps of a component, by its exact class: check
// boxes their check, plain panels their visibility, edits their text, page
// controls their page index, speed buttons their Down, faders their
// position, combo boxes their item index. A class without hooks is not
// stored (faders' and meters' panels are not panels here, and neither is a
// new subclass until it says what it keeps).
#include <functional>
#include <string>

#include "ui/component.h"

namespace settings {

class TIniFile;

struct StateHooks {
  // Reads the component's value under its name in section and applies it,
  // running the control's action.
  std::function<void(const TIniFile& ini, const std::string& section, ui::TComponent& c)> load;
  std::function<void(TIniFile& ini, const std::string& section, const ui::TComponent& c)> save;
};

// The hooks of c's class; null when it is not stored.
const StateHooks* StateHooksOf(const ui::TComponent& c);

}  // namespace settings
