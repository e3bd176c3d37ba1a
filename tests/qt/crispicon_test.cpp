// The mixer icon at every size a panel, the tray or the icon theme asks
// for: the colours and the features of the drawing, never a smear.
#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <map>
#include <ostream>
#include <vector>

#include "qt/crispicon.h"
#include "qt/look.h"

namespace qt {
namespace {

// What a viewer recognises in the picture: how many separate patches
// each colour makes (tracks, lamps, thumbs, the ground), and whether the
// border runs round all four sides.
struct Features {
  std::map<QRgb, int> patches;
  bool border = false;
  bool operator==(const Features&) const = default;
};

void PrintTo(const Features& f, std::ostream* os) {
  *os << (f.border ? "border" : "no border");
  for (auto [colour, n] : f.patches)
    *os << ", " << n << " x #" << std::hex << (colour & 0xFFFFFF) << std::dec;
}

Features Of(const QImage& picture) {
  const QImage img = picture.convertToFormat(QImage::Format_ARGB32);
  const int w = img.width(), h = img.height();
  Features f{{}, w > 0};
  for (int i = 0; i < w; ++i)
    for (QPoint p : {QPoint(i, 0), QPoint(i, h - 1), QPoint(0, i), QPoint(w - 1, i)})
      f.border = f.border && img.pixel(p) == qRgb(0, 0, 0);
  std::vector<bool> seen(static_cast<std::size_t>(w * h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const QRgb c = img.pixel(x, y);
      if (!seen[y * w + x]) ++f.patches[c];
      for (std::vector<QPoint> todo{{x, y}}; !todo.empty();) {  // the patch filled from here
        const QPoint p = todo.back();
        todo.pop_back();
        if (!img.rect().contains(p) || seen[p.y() * w + p.x()] || img.pixel(p) != c) continue;
        seen[p.y() * w + p.x()] = true;
        todo.insert(todo.end(),
                    {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)});
      }
    }
  return f;
}

TEST(CrispIcon, EveryThemeSizeHasTheDrawingsColoursAndFeatures) {
  const QImage picture = PictureResource("MIXERICON.xpm").toImage();
  ASSERT_EQ(picture.size(), QSize(32, 32));
  const Features drawing = Of(picture);
  // A border and three tracks cut by their thumbs, two green lamps and a
  // red one, three thumbs with their grips, on one ground.
  EXPECT_EQ(drawing.patches.at(qRgb(0, 0, 0)), 7);
  EXPECT_EQ(drawing.patches.at(qRgb(0, 0xFF, 0)), 2);
  EXPECT_EQ(drawing.patches.at(qRgb(0xFF, 0, 0)), 1);
  EXPECT_EQ(drawing.patches.at(qRgb(0xFF, 0xFF, 0xFF)), 3);
  EXPECT_EQ(drawing.patches.at(qRgb(0, 0, 0x80)), 1);
  EXPECT_TRUE(drawing.border);

  const QIcon icon = ThemedIcon(picture);
  for (int size : kThemeIconSizes) {
    SCOPED_TRACE(size);
    EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
    const QImage shown = icon.pixmap(QSize(size, size)).toImage();
    ASSERT_EQ(shown.size(), QSize(size, size));
    EXPECT_EQ(Of(shown), drawing);
  }
}

// Sizes nobody drew: the largest sharp multiple that fits, centred; below
// every drawing, sampled from the smallest.
TEST(CrispIcon, OtherSizesStaySharp) {
  const std::vector<QImage> drawings = DrawingsOf(PictureResource("MIXERICON.xpm").toImage());
  ASSERT_EQ(drawings.size(), 4u);
  for (auto [size, side] : {std::pair{40, 32}, {100, 96}, {8, 8}}) {
    SCOPED_TRACE(size);
    const QImage img = CrispIcon(drawings, size);
    int opaque = 0;
    for (int x = 0; x < size; ++x) opaque += qAlpha(img.pixel(x, size / 2)) != 0;
    EXPECT_EQ(opaque, side);
    EXPECT_EQ(qAlpha(img.pixel((size - side) / 2, size / 2)), 255);
  }
  // Any other picture has no small designs.
  EXPECT_EQ(DrawingsOf(QImage(5, 5, QImage::Format_ARGB32)).size(), 1u);
}

}  // namespace
}  // namespace qt
