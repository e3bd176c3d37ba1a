#include "qt/directpanel.h"

#include <QRegion>
#include <QWidget>
#include <algorithm>

#include "qt/lampfills.h"
#include "qt/look.h"
#include "ui/extctrls.h"

namespace qt {

namespace {

QRect BoundsOf(const ui::TControl& c) {
  return QRect(c.Left(), c.Top(), c.Width(), c.Height());
}

QRect Common(const QRect& a, const QRect& b) {
  return QRect(QPoint(std::max(a.left(), b.left()), std::max(a.top(), b.top())),
               QPoint(std::min(a.right(), b.right()), std::min(a.bottom(), b.bottom())));
}

bool ShownChild(const QObject* o) {
  const auto* w = qobject_cast<const QWidget*>(o);
  return w && !w->isWindow() && w->isVisible();
}

// Another widget over r (in w's coordinates): one of w's children, or a
// sibling of w or of one of its parents that lies above it.
bool Covered(const QWidget* w, QRect r) {
  for (const QObject* o : w->children())
    if (ShownChild(o) && static_cast<const QWidget*>(o)->geometry().intersects(r)) return true;
  for (; w && !w->isWindow(); w = w->parentWidget()) {
    r.translate(w->pos());
    const QObjectList& siblings = w->parentWidget()->children();
    for (auto it = siblings.rbegin(); it != siblings.rend() && *it != w; ++it)
      if (ShownChild(*it) && static_cast<const QWidget*>(*it)->geometry().intersects(r))
        return true;
  }
  return false;
}

}  // namespace

DirectPanel::DirectPanel(const ui::TWinControl& panel, QWidget& widget)
    : panel_(panel),
      as_panel_(dynamic_cast<const ui::TPanel*>(&panel)),
      widget_(&widget),
      takes_focus_(widget.focusPolicy() != Qt::NoFocus) {}

bool DirectPanel::ChildrenChanged(const ui::TControl& first, const ui::TControl& last,
                                  ui::Change what) {
  const bool was_clean = !HasChanges();
  if (what == ui::Change::Color || what == ui::Change::State) {
    // A run of lamps lies between its first and its last.
    const QRect run = BoundsOf(first) | BoundsOf(last);
    if (run_count_ > 0 && runs_[run_count_ - 1] == run) {
      // the same lamps again
    } else if (run_count_ < kRuns) {
      runs_[run_count_++] = run;
    } else {
      runs_[kRuns - 1] |= run;
    }
    dirty_ |= run;
    return was_clean;
  }
  if (what == ui::Change::Bounds || what == ui::Change::Visible) places_.clear();
  ChangeWhole();
  return was_clean;
}

bool DirectPanel::ChildListChanged() {
  const bool was_clean = !HasChanges();
  places_.clear();
  ChangeWhole();
  return was_clean;
}

void DirectPanel::ChangeWhole() {
  whole_ = true;
  dirty_ = QRect(0, 0, panel_.Width(), panel_.Height());
}

std::vector<DirectPanel::ChildPlace>& DirectPanel::Places() {
  if (!places_.empty()) return places_;
  const int n = panel_.ControlCount();
  const QRect all(0, 0, panel_.Width(), panel_.Height());
  inside_frame_ = all;
  if (as_panel_) {
    const int k = PanelFrameWidth(*as_panel_);
    inside_frame_ = panel_.Caption().empty() ? all.adjusted(k, k, -k, -k) : QRect();
  }
  for (int i = 0; i < n; ++i) {
    const ui::TControl* child = panel_.Controls(i);
    const ui::TShape* lamp = PlainLamp(child);
    places_.push_back({BoundsOf(*child), child->DrawnByParent() && child->Visible(),
                       lamp ? ToQRgb(lamp->PenColor()) : 0});
  }
  return places_;
}

DirectPanel::Showing DirectPanel::Locate(unsigned widget_changes) {
  // The widget went with a parent before the peer let it go.
  if (!widget_) return Showing::Nothing;
  if (place_.known && place_.widget_changes == widget_changes) return place_.showing;
  // A part shows whole or clipped by a parent (a scrolled strip area): one
  // rectangle.
  QWidget& w = *widget_;
  const QRegion visible = w.isVisible() ? w.visibleRegion() : QRegion();
  Showing showing = Showing::Nothing;
  if (!visible.isEmpty())
    showing =
        visible.rectCount() == 1 && !Covered(&w, w.rect()) ? Showing::Direct : Showing::Covered;
  place_ = Place{widget_changes,
                 true,
                 showing,
                 w.window(),
                 visible.boundingRect(),
                 w.mapTo(w.window(), QPoint())};
  return showing;
}

QRect DirectPanel::ChangedArea() const {
  return (place_.visible & dirty_).translated(place_.at);
}

bool DirectPanel::AddFills(std::vector<SolidFill>& fills) {
  if (whole_ || (takes_focus_ && widget_->hasFocus())) return false;
  std::vector<ChildPlace>& places = Places();
  // Lamps that switch inside the frame leave the frame as it is.
  if (!inside_frame_.contains(dirty_)) return false;
  const std::size_t start = fills.size();
  outlined_.clear();
  auto add = [&](const SolidFill& f) {
    const QRect part = Common(f.rect, place_.visible);
    if (!part.isEmpty()) fills.push_back({part.translated(place_.at), f.colour, f.layer});
  };
  for (int r = 0; r < run_count_; ++r) {
    const QRect& run = runs_[static_cast<std::size_t>(r)];
    const auto [first, last] = panel_.ChildrenInRows(run.top(), run.bottom() + 1);
    for (int i = first; i <= last; ++i) {
      const ChildPlace& place = places[static_cast<std::size_t>(i)];
      if (!place.drawn || !run.contains(place.bounds)) continue;
      const ui::TShape* lamp = PlainLamp(panel_.Controls(i));
      if (!lamp) {
        fills.resize(start);
        outlined_.clear();
        return false;
      }
      const auto [outline, inside] = LampFills(*lamp, place.bounds);
      if (outline.colour != place.outline) {
        add(outline);
        outlined_.push_back(i);
      }
      add(inside);
    }
  }
  if (!outlined_.empty() && !OutlinesApart()) {
    fills.resize(start);
    outlined_.clear();
    return false;
  }
  return true;
}

bool DirectPanel::Shown(bool into_backing_store) {
  for (int i : outlined_)
    if (const ui::TShape* lamp = PlainLamp(panel_.Controls(i)))
      places_[static_cast<std::size_t>(i)].outline = ToQRgb(lamp->PenColor());
  outlined_.clear();
  const bool was_current = stale_.isNull();
  if (!into_backing_store) stale_ |= place_.visible & dirty_;
  Clear();
  return was_current && !stale_.isNull();
}

bool DirectPanel::OutlinesApart() {
  for (int i : outlined_) {
    const ui::TControl* own = panel_.Controls(i);
    const QRect outline = places_[static_cast<std::size_t>(i)].bounds;
    const bool apart =
        ForEachDrawnChild(outline, [&](const ui::TControl* child, const QRect& bounds) {
          return child == own || !Meet(outline, bounds.adjusted(1, 1, -1, -1));
        });
    if (!apart) return false;
  }
  return true;
}

void DirectPanel::CatchUp() {
  if (widget_ && !stale_.isNull()) widget_->update(stale_);
  stale_ = QRect();
}

void DirectPanel::Repaint() {
  if (widget_ && !dirty_.isNull()) widget_->update(dirty_);
  Clear();
}

void DirectPanel::Drop() {
  Clear();
}

void DirectPanel::Clear() {
  run_count_ = 0;
  dirty_ = QRect();
  whole_ = false;
}

bool FrameUntouched(const ui::TWinControl& panel, const ui::TPanel* as_panel, const QRect& r) {
  if (!as_panel) return true;
  const int k = PanelFrameWidth(*as_panel);
  return panel.Caption().empty() &&
         QRect(0, 0, panel.Width(), panel.Height()).adjusted(k, k, -k, -k).contains(r);
}

}  // namespace qt
