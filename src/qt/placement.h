#pragma once
// Where a window manager would put a new window: the first place, row by
// row from the top left of the work area, where its frame covers none of
// the windows already open; where none is free, the place that covers the
// least of them. A window taller or wider than the work area keeps its
// title bar on it.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

namespace qt {

QPoint FreePlace(const QRect& area, const std::vector<QRect>& taken, const QSize& frame);

// A frame moved, as little as possible, so that its top edge (the title
// bar) lies within the work area and as much of the rest as fits.
QPoint Reachable(const QRect& area, const QRect& frame);

// Where windows are kept: the work area, when the window manager reports
// one; else the screen less a margin on every side, where panels it does
// not tell of may stand.
inline constexpr int kUnreportedPanelMargin = 48;
QRect UsableArea(const QRect& screen, const QRect& work_area, bool reported);

}  // namespace qt
