#pragma once
// What a form dump prints of a component after its common fields, by its
// exact class: a check, Down, a fader's position, a meter's lamps, a text,
// a list, a track bar's tick, a caption. A class without a description
// prints the common fields only.
#include <string>

#include "ui/component.h"

namespace scenario {

std::string Describe(const ui::TComponent& c);

}  // namespace scenario
