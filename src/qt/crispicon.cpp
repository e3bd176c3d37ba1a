#include "qt/crispicon.h"

#include <string>

#include "qt/look.h"

namespace qt {

namespace {

constexpr std::array<int, 3> kDrawnSmallSizes = {16, 22, 24};

int Side(const QImage& drawing) {
  return std::max(drawing.width(), drawing.height());
}

}  // namespace

std::vector<QImage> DrawingsOf(const QImage& picture) {
  std::vector<QImage> drawings;
  if (picture.isNull()) return drawings;
  drawings.push_back(picture);
  const QImage mixer = PictureResource("MIXERICON.xpm").toImage();
  if (mixer.isNull() || mixer.convertToFormat(QImage::Format_ARGB32) !=
                            picture.convertToFormat(QImage::Format_ARGB32))
    return drawings;
  for (int size : kDrawnSmallSizes) {
    QImage small = PictureResource("MIXERICON" + std::to_string(size) + ".xpm").toImage();
    if (!small.isNull()) drawings.push_back(small);
  }
  return drawings;
}

QImage CrispIcon(const std::vector<QImage>& drawings, int size) {
  QImage out(std::max(size, 0), std::max(size, 0), QImage::Format_ARGB32);
  out.fill(Qt::transparent);
  const QImage* best = nullptr;
  int sharp = 0;
  for (const QImage& d : drawings) {
    const int side = Side(d);
    if (side <= 0) continue;
    const int fits = size / side * side;
    if (fits > sharp || (fits == sharp && fits > 0 && side > Side(*best))) {
      best = &d;
      sharp = fits;
    }
  }
  if (!best) {
    // Smaller than every drawing: sampled down from the smallest.
    for (const QImage& d : drawings)
      if (Side(d) > 0 && (!best || Side(d) < Side(*best))) best = &d;
    if (!best) return out;
    sharp = size;
  }
  const QImage src = best->convertToFormat(QImage::Format_ARGB32);
  const int base = Side(src);
  const int offset = (size - sharp) / 2;
  for (int y = 0; y < sharp; ++y)
    for (int x = 0; x < sharp; ++x) {
      const int sx = x * base / sharp;
      const int sy = y * base / sharp;
      if (sx < src.width() && sy < src.height())
        out.setPixel(offset + x, offset + y, src.pixel(sx, sy));
    }
  return out;
}

QIcon ThemedIcon(const QImage& picture) {
  const std::vector<QImage> drawings = DrawingsOf(picture);
  QIcon icon;
  for (int size : kThemeIconSizes) icon.addPixmap(QPixmap::fromImage(CrispIcon(drawings, size)));
  return icon;
}

}  // namespace qt
