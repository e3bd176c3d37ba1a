#pragma once
// The runner's facets of each control class (ui/classtraits.h): what a form
// dump prints of a component after its common fields (a check, Down, a
// fader's position, a meter's lamps, a text, a list, a track bar's tick, a
// caption), and which properties the `set` command assigns, from code as a
// window's own code would. Every registered class states both, "prints
// nothing more" and "nothing to set" included.
#include <functional>
#include <map>
#include <string>

#include "ui/control.h"

namespace scenario {

struct DescribeFacet {
  // Empty: the dump prints the common fields only.
  std::function<std::string(const ui::TComponent& c)> describe;
};

struct SetFacet {
  // Each property `set` may assign, with the assignment of a script value.
  std::map<std::string, std::function<void(ui::TControl& c, const std::string& value)>> properties;
};

std::string Describe(const ui::TComponent& c);
// The assignment of value to c's property; empty when its class has no such
// property to set.
std::function<void()> Setter(ui::TControl& c, const std::string& property,
                             const std::string& value);

// Attaches the facets to the control classes (once; any number of calls).
void RegisterScenarioTraits();

}  // namespace scenario
