#include "qt/lampfills.h"

#include <QImage>
#include <algorithm>

#include "qt/look.h"

namespace qt {

const ui::TShape* PlainLamp(const ui::TControl* c) {
  const ui::TShape* shape = c->AsShape();
  return shape && shape->Shape() == ui::TShapeType::stRectangle && shape->PenWidth() == 1 &&
                 shape->Width() > 1 && shape->Height() > 1
             ? shape
             : nullptr;
}

std::array<SolidFill, 2> LampFills(const ui::TShape& lamp, const QRect& bounds) {
  return {SolidFill{bounds, ToQRgb(lamp.PenColor()), kLampOutlineLayer},
          SolidFill{bounds.adjusted(1, 1, -1, -1), ToQRgb(lamp.BrushColor()), kLampInsideLayer}};
}

void FillPixels(QImage& image, std::span<const SolidFill> fills) {
  uchar* bits = image.bits();
  const qsizetype stride = image.bytesPerLine();
  const QRect bounds = image.rect();
  for (int layer = 0; layer <= kLampInsideLayer; ++layer)
    for (const SolidFill& f : fills) {
      if (f.layer != layer) continue;
      const QRect px = f.rect & bounds;
      for (int y = px.top(); y <= px.bottom(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(bits + y * stride) + px.left(), px.width(), f.colour);
    }
}

}  // namespace qt
