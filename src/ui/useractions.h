#pragma once
// A user's actions on the model, as the headless widgetset and the Qt peers
// deliver them. Exceptions raised by the handlers they run are reported the
// way the message loop reports them.
#include <string>

#include "ui/control.h"

namespace ui::user {

void Click(TControl* c);
void DblClick(TControl* c);
// Chooses item i of a list or combo box.
void Select(TControl* c, int i);
// Replaces the text of an edit field.
void Type(TControl* c, const std::string& text);
// A key pressed and released on the control (VK_DOWN, VK_DELETE, VK_RETURN, VK_ESCAPE).
void Key(TControl* c, WORD key);

}  // namespace ui::user
