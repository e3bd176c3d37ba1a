#pragma once
// Unit audioctl32: the fader and the peak meters of the mixer windows.
#include "controls/levelmeter.h"
#include "controls/slider.h"

namespace controls {

// Makes TSlider, TLumi, TBarGraph, TLevelMeter and the bilingual controls
// known to the layout reader. Safe to call any number of times.
void RegisterControlClasses();

}  // namespace controls
