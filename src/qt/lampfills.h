#pragma once
// A meter's lamp as the fills that draw it: a rectangle with a one-pixel
// outline is its outline colour over its bounds, then its inside colour one
// pixel in. The panel's own painting and the compositor's fast path both
// draw lamps from these, so the two give the same pixels.
#include <QRect>
#include <array>
#include <span>

#include "qt/windowsink.h"
#include "ui/extctrls.h"

class QImage;

namespace qt {

// The outline as layer 1 and the inside as layer 2 (the face beneath is 0).
inline constexpr int kLampOutlineLayer = 1;
inline constexpr int kLampInsideLayer = 2;

// The shape as a plain lamp, or null when two fills cannot draw it.
const ui::TShape* PlainLamp(const ui::TControl* c);
// The lamp's two fills at bounds: outline first.
std::array<SolidFill, 2> LampFills(const ui::TShape& lamp, const QRect& bounds);
// Writes the fills into an image of 32-bit pixels, layer by layer, as the
// X server draws them.
void FillPixels(QImage& image, std::span<const SolidFill> fills);

}  // namespace qt
