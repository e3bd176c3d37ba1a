#include "qt/taborder.h"

#include <QScrollArea>
#include <QWidget>
#include <algorithm>
#include <tuple>
#include <vector>

#include "qt/paintedpeers.h"
#include "qt/qtwidgetset.h"

namespace qt {

namespace {

// The strip area that holds c, if any.
QScrollArea* StripAreaOf(QWidget* c, QWidget* window) {
  for (QWidget* p = c->parentWidget(); p && p != window; p = p->parentWidget())
    if (auto* area = qobject_cast<QScrollArea*>(p)) return area;
  return nullptr;
}

// A strip is a column of pair panels, one in each section of the strip
// area: the left edge of the pair panel that holds c.
int ColumnOf(QWidget* c, QScrollArea* area, QWidget* window) {
  QWidget* content = area ? area->widget() : nullptr;
  QWidget* pair = c;
  while (pair->parentWidget() && pair->parentWidget()->parentWidget() &&
         pair->parentWidget()->parentWidget() != content && pair->parentWidget() != window)
    pair = pair->parentWidget();
  return pair->mapTo(window, QPoint()).x();
}

// A part of another control (a fader's thumb, which moves with the value)
// takes the place of the control it belongs to.
int RowOf(QWidget* c, QWidget* window) {
  if (ControlPeer* p = ControlPeer::OfWidget(c)) {
    auto* whole = dynamic_cast<ui::TControl*>(p->control().Owner());
    if (whole && whole->Parent() == p->control().Parent())
      if (QWidget* w = QtWidgetset::WidgetOf(*whole)) return w->mapTo(window, QPoint()).y();
  }
  return c->mapTo(window, QPoint()).y();
}

}  // namespace

void OrderTabs(QWidget* window) {
  struct Stop {
    std::tuple<int, int, int> at;  // column, row, left
    QWidget* w;
  };
  std::vector<QWidget*> order;
  std::vector<Stop> strips;
  for (QWidget* c : window->findChildren<QWidget*>()) {
    if (!(c->focusPolicy() & Qt::TabFocus) || !c->isVisibleTo(window)) continue;
    QScrollArea* area = StripAreaOf(c, window);
    if (!area && !c->property(kStripControl).toBool()) {
      order.push_back(c);
      continue;
    }
    strips.push_back(
        {{ColumnOf(c, area, window), RowOf(c, window), c->mapTo(window, QPoint()).x()}, c});
  }
  std::stable_sort(strips.begin(), strips.end(),
                   [](const Stop& a, const Stop& b) { return a.at < b.at; });
  for (const Stop& s : strips) order.push_back(s.w);
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace qt
