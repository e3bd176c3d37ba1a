#include "qt/placement.h"

#include <algorithm>
#include <limits>

namespace qt {

namespace {

long long Covered(const QRect& r, const std::vector<QRect>& taken) {
  long long sum = 0;
  for (const QRect& t : taken) {
    const QRect i = r & t;
    if (!i.isEmpty()) sum += static_cast<long long>(i.width()) * i.height();
  }
  return sum;
}

}  // namespace

QPoint FreePlace(const QRect& area, const std::vector<QRect>& taken, const QSize& frame) {
  // The corners worth trying: the area's, those just beside or below a
  // window that is open, and against the area's far edges.
  std::vector<int> xs{area.left(), area.right() + 1 - frame.width()},
      ys{area.top(), area.bottom() + 1 - frame.height()};
  for (const QRect& t : taken) {
    xs.push_back(t.right() + 1);
    ys.push_back(t.bottom() + 1);
  }
  std::sort(xs.begin(), xs.end());
  std::sort(ys.begin(), ys.end());
  QPoint best = Reachable(area, QRect(area.topLeft(), frame));
  long long best_cover = std::numeric_limits<long long>::max();
  for (int y : ys) {
    for (int x : xs) {
      const QRect r(QPoint(x, y), frame);
      if (!area.contains(r)) continue;
      const long long cover = Covered(r, taken);
      if (cover == 0) return r.topLeft();
      if (cover < best_cover) {
        best_cover = cover;
        best = r.topLeft();
      }
    }
  }
  return best;
}

QPoint Reachable(const QRect& area, const QRect& frame) {
  auto fit = [](int pos, int size, int lo, int hi) {
    // Within the area where it fits; its start on the area where not.
    if (size >= hi - lo) return lo;
    return std::clamp(pos, lo, hi - size);
  };
  return {fit(frame.x(), frame.width(), area.left(), area.right() + 1),
          fit(frame.y(), frame.height(), area.top(), area.bottom() + 1)};
}

QRect UsableArea(const QRect& screen, const QRect& work_area, bool reported) {
  if (reported || work_area != screen) return work_area;
  const int m = kUnreportedPanelMargin;
  if (screen.width() <= 4 * m || screen.height() <= 4 * m) return screen;
  return screen.adjusted(m, m, -m, -m);
}

}  // namespace qt
