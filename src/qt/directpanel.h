#pragma once
// What the compositor keeps of a panel whose drawn children (a meter's
// lamps) it shows without Qt's repaint: the lamps that switched since the
// last pass, where the panel shows in its window, where each child lies and
// which lamps' outlines are known to be shown. The panel's peer reports its
// children's changes and paints from the same places; the compositor does
// everything else.
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <array>
#include <vector>

#include "qt/windowsink.h"
#include "ui/control.h"

namespace ui {
class TPanel;
}

namespace qt {

class DirectPanel {
 public:
  // widget: the panel's, its focus policy set.
  DirectPanel(const ui::TWinControl& panel, QWidget& widget);
  DirectPanel(const DirectPanel&) = delete;
  DirectPanel& operator=(const DirectPanel&) = delete;

  // ---- the panel's peer
  // The children from first to last changed: lamps that switched are drawn
  // again one by one, any other change repaints the whole panel. True when
  // nothing was waiting to be shown before.
  bool ChildrenChanged(const ui::TControl& first, const ui::TControl& last, ui::Change what);
  // Children came or went: where they lie is looked up again, and the
  // whole panel repainted.
  bool ChildListChanged();
  // f(child, bounds) for each shown child it draws that meets r, until f
  // says false; false then.
  template <typename F>
  bool ForEachDrawnChild(const QRect& r, F f);
  // The panel itself changed (its size, caption, frame): what was worked
  // out about its children and frame is worked out again.
  void PanelChanged() { places_.clear(); }

  // ---- the compositor
  enum class Showing {
    Nothing,  // scrolled out, hidden: Qt paints it whole when it shows
    Covered,  // another widget over it, or seen in pieces: Qt repaints it
    Direct,   // one rectangle of its window, nothing over it
  };
  // Where it shows, worked out again only when the count of the program's
  // widget changes moved on.
  Showing Locate(unsigned widget_changes);
  bool HasChanges() const { return whole_ || run_count_ > 0; }
  // The window of the last Locate.
  QWidget* window() const { return place_.window; }
  // Where the changes lie, in the window's coordinates (Direct only).
  QRect ChangedArea() const;
  // Adds the changes as plain fills in the window's coordinates (Direct
  // only): the inside of each lamp that switched, and its
  // outline only where that changed colour (what Qt painted last holds the
  // rest: whatever moved the lamps or changed their list had Qt repaint the
  // whole panel). False, adding nothing, where only the panel's own
  // painting can show them (the frame, the focus, another shape).
  bool AddFills(std::vector<SolidFill>& fills);
  // The fills were shown, into the backing store or (false) on the screen
  // only, which leaves the store behind: the changes are forgotten. True
  // when the store fell behind with this.
  bool Shown(bool into_backing_store);
  // Has Qt repaint what the backing store lacks.
  void CatchUp();
  // Hands the changes to Qt's repaint.
  void Repaint();
  // Forgets the changes: nothing of them shows.
  void Drop();

 private:
  // Where each child lies, by child index, whether it is drawn here
  // (shown, drawn by this panel), and the outline colour it was drawn with;
  // looked up again after children or the panel changed, with the part
  // within the frame.
  struct ChildPlace {
    QRect bounds;
    bool drawn = false;
    QRgb outline = 0;
  };
  std::vector<ChildPlace>& Places();
  // An outline that changed colour is drawn only where it meets no other
  // lamp's inside, which the pass may leave as it is.
  bool OutlinesApart();
  void ChangeWhole();
  void Clear();

  const ui::TWinControl& panel_;
  const ui::TPanel* as_panel_;  // null for a page or another windowed control
  QPointer<QWidget> widget_;
  bool takes_focus_;  // its focus frame is drawn over the lamps
  // The runs of lamps that switched since the last pass, in panel
  // coordinates, kept in the record (a meter has a few each pass); more
  // join the last into one that covers them all.
  static constexpr int kRuns = 6;
  std::array<QRect, kRuns> runs_;
  int run_count_ = 0;
  QRect dirty_;         // all changes together
  bool whole_ = false;  // a change other than a lamp switching
  QRect stale_;         // shown, but not yet in the backing store
  struct Place {
    unsigned widget_changes = 0;
    bool known = false;
    Showing showing = Showing::Nothing;
    QWidget* window = nullptr;
    QRect visible;
    QPoint at;
  };
  Place place_;
  std::vector<ChildPlace> places_;  // empty: to be looked up
  QRect inside_frame_;              // empty where a caption takes the whole panel
  std::vector<int> outlined_;       // children whose outline the fills draw
};

// No caption, and a change within r inside the frame: the frame stays as
// it is (as_panel: the panel as a TPanel, null for a page or another
// windowed control, which have no frame).
bool FrameUntouched(const ui::TWinControl& panel, const ui::TPanel* as_panel, const QRect& r);

// Inline, unlike QRect's own: a few of these run for every lamp painted.
inline bool Meet(const QRect& a, const QRect& b) {
  return !a.isEmpty() && !b.isEmpty() && a.left() <= b.right() && b.left() <= a.right() &&
         a.top() <= b.bottom() && b.top() <= a.bottom();
}

template <typename F>
bool DirectPanel::ForEachDrawnChild(const QRect& r, F f) {
  std::vector<ChildPlace>& places = Places();
  const auto [first, last] = panel_.ChildrenInRows(r.top(), r.bottom() + 1);
  for (int i = first; i <= last; ++i) {
    const ChildPlace& place = places[static_cast<std::size_t>(i)];
    if (place.drawn && Meet(r, place.bounds) && !f(panel_.Controls(i), place.bounds)) return false;
  }
  return true;
}

}  // namespace qt
