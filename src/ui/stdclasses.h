#pragma once
namespace ui {
// Registers the framework's own classes (ui/classtraits.h) with their
// peers and what their users meet; the layout reader makes them by name.
// Once per process; any number of calls.
void RegisterStandardClasses();
}  // namespace ui
