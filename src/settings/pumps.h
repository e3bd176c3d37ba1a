#pragma once
// The nested pumps: every place where the program handles the posted
// messages in the middle of an operation, instead of at the main loop's next
// step. A handler that one of them runs may close or free any window (a
// mixer window's closing notification unchecks its box, a released form
// goes), so whatever the operation holds across one is held through a
// ui::TSafePtr and looked at again afterwards. Nothing else pumps: cloning a
// card strip, creating a window and saving never do.
namespace settings::pumps {

// After each component a window-state load applied: its action may have
// posted (a box that closed a mixer window, whose closing notification
// follows), and the next component must find that handled, as when the user
// sets the controls one after the other.
void AfterLoadingComponent();

// After a control-window box opened or closed its mixer window: the new
// window's show and the closed window's notification are handled before
// the click returns, so a load that sets several boxes meets each window
// settled.
void AfterMixerBox();

// Between the windows of a combined preset load or save (after the control
// window's own section and after each mixer window): each window's load
// opens, closes and notifies as above before the next window is read.
void BetweenPresetWindows();

}  // namespace settings::pumps
