#include "qt/crispicon.h"

#include <QPainter>
#include <algorithm>

namespace qt {

QImage CrispIcon(const QImage& picture, int size) {
  QImage out(size, size, QImage::Format_ARGB32);
  out.fill(Qt::transparent);
  if (picture.isNull() || size <= 0) return out;
  const QImage src = picture.convertToFormat(QImage::Format_ARGB32);
  const int base = std::max(src.width(), src.height());
  // Whole multiples up, halvings down: the largest sharp size that fits.
  int sharp = base;
  while (sharp * 2 <= size) sharp *= 2;
  while (sharp > size && sharp > 1) sharp /= 2;
  const int left = (size - sharp) / 2;
  const int top = (size - sharp) / 2;
  for (int y = 0; y < sharp; ++y)
    for (int x = 0; x < sharp; ++x) {
      const int sx = x * base / sharp;
      const int sy = y * base / sharp;
      if (sx < src.width() && sy < src.height()) out.setPixel(left + x, top + y, src.pixel(sx, sy));
    }
  return out;
}

QIcon ThemedIcon(const QImage& picture) {
  QIcon icon;
  for (int size : kThemeIconSizes) icon.addPixmap(QPixmap::fromImage(CrispIcon(picture, size)));
  return icon;
}

}  // namespace qt
