#pragma once
// The settings layer's facets of each control class (ui/classtraits.h):
// what the settings file keeps of a control (check boxes their check,
// plain panels their visibility, edits their text, page controls their page
// index, speed buttons their Down, faders their position, combo boxes their
// item index), and how a card strip's copy of it is made. Every registered
// class states both, "not stored" and "not cloned" included.
#include <functional>
#include <string>

#include "ui/control.h"

namespace settings {

class TIniFile;

struct StateFacet {
  // Reads the component's value under its name in section and applies it,
  // running the control's action. Both empty: the class is not stored.
  std::function<void(const TIniFile& ini, const std::string& section, ui::TComponent& c)> load;
  std::function<void(TIniFile& ini, const std::string& section, const ui::TComponent& c)> save;
};

struct CloneFacet {
  // Makes the copy, owned by owner, with the properties the class copies.
  // Empty: the class cannot be cloned (CloneComponents names it).
  std::function<ui::TControl*(const ui::TControl& from, ui::TComponent* owner)> copy;
  // The source's children are cloned into the copy.
  bool container = false;
};

// What is stored of c; null when nothing is.
const StateFacet* StateFacetOf(const ui::TComponent& c);
// How c is copied; null when it cannot be.
const CloneFacet* CloneFacetOf(const ui::TComponent& c);

// Attaches the layer's facets to the control classes (once; any number of
// calls; the lookups above make them).
void RegisterSettingsTraits();

}  // namespace settings
