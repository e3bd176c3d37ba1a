#pragma once
// Makes the mixer windows known to the control window.
#include "shell/appstate.h"

namespace mixer {

// Fills the factories of the five mixer windows.
void RegisterMixerWindows(shell::AppState& app);

}  // namespace mixer
