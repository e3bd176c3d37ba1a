#pragma once
// What a control's value reads and how an outside change is made, through
// its class's user facet (ui/controltraits.h): a fader reads the dB its
// scale shows at the thumb and is dragged to the place of a value; a check
// box or a speed button is on or off and is pressed to change; a meter
// reads the level of its highest lit lamp. Every change is the user's own
// action on the model (a click, a drag), so the window's handlers, the
// link rule and the driver messages are the user's.
#include <optional>
#include <string>
#include <string_view>

#include "sim/gainlaw.h"

namespace ui {
class TControl;
}

namespace remote {

// How an outside change went: empty on success, else why it was refused.
using Refusal = std::optional<std::string>;

// "-7.5", "0.0", "22.5"; "-inf" for no sound.
std::string DecibelText(double db);
// A number of dB ("-7.5", "-7.5dB", "-7.5 dB", "-inf"); nothing for text that
// is none.
std::optional<double> ParseDecibels(std::string_view text);
// "on"/"off", "1"/"0", "true"/"false", "yes"/"no" (any case).
std::optional<bool> ParseSwitch(std::string_view text);
const char* SwitchText(bool on);

// The dB a fader's scale reads at its thumb.
double FaderDecibels(const ui::TControl& fader, sim::Fader law);
// A fader's thumb travels this many pixels; the reading at a pixel, and
// the pixel whose reading is nearest db (for a controller's fader, which
// stands for the thumb's place).
constexpr int kFaderPixels = 100;
double ReadingAt(sim::Fader law, int pixel);
int PixelOf(sim::Fader law, double db);
// Refused when db lies beyond the ends of the law's scale.
Refusal CheckDecibels(sim::Fader law, double db);
// Drags the fader to the place whose reading is nearest db, as the user
// would. A value beyond the scale's ends is refused, never clamped; a
// fader already there is left alone.
Refusal DragFaderTo(ui::TControl& fader, sim::Fader law, double db);

// A check box checked, a speed button down.
bool IsOn(const ui::TControl& c);
// Presses the control when its state differs from on; refused when it is
// disabled or the press did not give it that state.
Refusal SwitchTo(ui::TControl& c, bool on);

// The level a meter shows, in dB of full scale.
double MeterDecibels(const ui::TControl& meter);

}  // namespace remote
