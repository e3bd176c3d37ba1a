#pragma once
// The names a listener hears for the controls: what a sighted user reads on
// or next to each one (its caption, the channel numbers under a fader, the
// strip's caption), in the program's language, worked out from the model
// only when assistive technology asks.
#include <functional>
#include <string>

#include "ui/control.h"

namespace qt {

// A caption as a listener hears it: no mnemonic marks, no outer blanks, no
// trailing colon.
std::string SpokenCaption(const std::string& caption);

// A label that only decorates (rule marks, the brackets round a link box)
// and says nothing.
bool Decorative(const ui::TControl& label);

// The text a label shows, as spoken; empty for a decorative one.
std::string LabelText(const ui::TControl& label);

// The Qt widgetset's facet of each control class (ui/classtraits.h): what a
// listener hears as a control's name. Every registered class states it.
struct NameFacet {
  // Empty: the control has nothing to say (a panel).
  std::function<std::string(const ui::TControl& c)> name;
};

// The name of an operable control, a meter or a window; empty where the
// control has nothing to say. A fader's thumb speaks for its fader.
std::string AccessibleName(const ui::TControl& c);

// Attaches the facet to the control classes (once; any number of calls).
void RegisterAccessibleNames();

}  // namespace qt
