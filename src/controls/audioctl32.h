#pragma once
// Unit audioctl32: the fader and the peak meters of the mixer windows.
#include "controls/levelmeter.h"
#include "controls/slider.h"

namespace controls {

// Registers TSlider, TLumi, TBarGraph, TLevelMeter and the bilingual
// controls (ui/classtraits.h) with their peers and what their users meet;
// the layout reader makes them by name. Any number of calls.
void RegisterControlClasses();

}  // namespace controls
