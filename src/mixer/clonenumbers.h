#pragma once
// The mixer windows' facet of each control class (ui/classtraits.h): how a
// further card's copy of a strip control gets that card's names and
// numbers. Control names are the settings file's keys, so every card's
// clones need names of their own. Every registered class states it, "kept
// as copied" included.
#include <functional>
#include <string>

#include "ui/control.h"

namespace mixer {

struct CloneNumbering {
  // Renames and renumbers a copy: shift is the count of the channels of the
  // cards before the copy's, next_link_box_name names the next cloned link
  // box. Empty: the copy keeps its name and numbers.
  std::function<void(ui::TControl& copy, int shift,
                     const std::function<std::string()>& next_link_box_name)>
      renumber;
};

// How c is renumbered; null when it keeps what it was copied with.
const CloneNumbering* CloneNumberingOf(const ui::TComponent& c);

// Attaches the facet to the control classes (once; any number of calls).
void RegisterCloneNumbering();

}  // namespace mixer
