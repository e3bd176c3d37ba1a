#include "qt/taborder.h"

#include <QScrollArea>
#include <QWidget>
#include <algorithm>
#include <limits>
#include <tuple>
#include <vector>

#include "qt/paintedpeers.h"

namespace qt {

namespace {

// The strips stand in a strip area.
bool InStripArea(QWidget* c, QWidget* window) {
  for (QWidget* p = c->parentWidget(); p && p != window; p = p->parentWidget())
    if (qobject_cast<QScrollArea*>(p)) return true;
  return false;
}

// A part of another control (a fader's thumb, which moves with the value)
// takes the place of the control it belongs to.
int RowOf(QWidget* c, QWidget* window) {
  if (ControlPeer* p = ControlPeer::OfWidget(c)) {
    auto* whole = dynamic_cast<ui::TControl*>(p->control().Owner());
    if (whole && whole->Parent() == p->control().Parent())
      if (QWidget* w = ControlPeer::WidgetOf(*whole)) return w->mapTo(window, QPoint()).y();
  }
  return c->mapTo(window, QPoint()).y();
}

}  // namespace

void OrderTabs(QWidget* window) {
  struct Stop {
    QWidget* w;
    int left, right, row;
    int column = 0;
  };
  std::vector<QWidget*> order;
  std::vector<Stop> strips;
  for (QWidget* c : window->findChildren<QWidget*>()) {
    if (!(c->focusPolicy() & Qt::TabFocus) || !c->isVisibleTo(window)) continue;
    if (!InStripArea(c, window) && !c->property(kStripControl).toBool()) {
      order.push_back(c);
      continue;
    }
    const int left = c->mapTo(window, QPoint()).x();
    strips.push_back({c, left, left + c->width(), RowOf(c, window)});
  }
  // A strip is a column of controls side by side with overlapping extents;
  // the gap between two pairs parts them.
  std::stable_sort(strips.begin(), strips.end(),
                   [](const Stop& a, const Stop& b) { return a.left < b.left; });
  int column = -1, reach = std::numeric_limits<int>::min();
  for (Stop& stop : strips) {
    if (stop.left >= reach) ++column;
    reach = std::max(reach, stop.right);
    stop.column = column;
  }
  std::stable_sort(strips.begin(), strips.end(), [](const Stop& a, const Stop& b) {
    return std::tie(a.column, a.row, a.left) < std::tie(b.column, b.row, b.left);
  });
  for (const Stop& s : strips) order.push_back(s.w);
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace qt
