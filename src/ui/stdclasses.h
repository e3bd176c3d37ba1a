#pragma once
namespace ui {
// Makes the framework's own control classes known to the layout reader.
void RegisterStandardClasses();
}  // namespace ui
