#pragma once
// The peers we draw ourselves: panels (with their bevels), labels, bevels,
// shapes (the meters' lamps), images and speed buttons. They take the
// mouse through the control's own mouse handlers.
#include "qt/peer.h"
#include "qt/windowsink.h"
#include "ui/buttons.h"
#include "ui/extctrls.h"
#include "ui/stdctrls.h"

namespace qt {

// The widget property that marks a strip's fader thumb or button: the
// window's keyboard order takes them strip by strip.
inline constexpr const char* kStripControl = "morvaStripControl";

class PaintedPeer : public ControlPeer {
 public:
  using ControlPeer::ControlPeer;

 protected:
  // Controls that take keys (a fader's thumb, speed buttons) take the
  // keyboard focus by Tab and click.
  QWidget* MakeWidget(QWidget* parent) override;
  bool Filter(QEvent* e) override;
  // Draws the dotted focus frame inside r while the widget has the focus.
  void PaintFocus(QPainter& p, const QRect& r) const;
};

// Draws a shape within its bounds, its top left at at.
void DrawShape(QPainter& p, const ui::TShape& shape, const QPoint& at = QPoint());

// A filled, bevelled area. It paints the children that it draws itself
// (a meter's lamps) and repaints only where one of them changed; it covers
// its whole area, so nothing beneath it is painted again.
class PanelPeer : public PaintedPeer {
 public:
  using Control = ui::TWinControl;
  PanelPeer(QtWidgetset& ws, ui::TWinControl& panel)
      : PaintedPeer(ws, panel), panel_(panel), as_panel_(dynamic_cast<const ui::TPanel*>(&panel)) {}
  ~PanelPeer() override;
  // Collects where the children changed; the compositor asks for one repaint
  // of it shortly after, however many lamps switched meanwhile.
  void ChildChanged(ui::TControl& child, ui::Change what) override;
  void ChildrenChanged(ui::TControl& first, ui::TControl& last, ui::Change what) override;
  void ChildListChanged() override { places_.clear(); }
  // Asks Qt for the repaint of where the children changed.
  void FlushDirty();
  // Where the children changed, in its window's coordinates, when that
  // part can be painted straight into the window's backing store (if the
  // window is exposed): shown, with no other widget over it. Null otherwise.
  QRect DirectArea();
  // The window of the last DirectArea.
  QWidget* DirectWindow() const { return place_.window; }
  // Paint the part DirectArea gave into the window's backing store: with
  // p, or (false when it takes the painter) as plain fills into an RGB32
  // image of scale 1; with no image, the backing store lags behind until
  // CatchUp. The fills are added to fills, in window coordinates.
  void PaintDirect(QPainter& p, const QRect& area);
  bool PaintPixels(QImage* image, const QRect& area, std::vector<SolidFill>& fills);
  // Has Qt repaint what the backing store lacks.
  void CatchUp();

 protected:
  QWidget* MakeWidget(QWidget* parent) override;
  bool Paint(QPainter& p) override;

 private:
  // f(child, bounds) for each shown child it draws that meets r, until f
  // says false; false then.
  template <typename F>
  bool ForEachDrawnChild(const QRect& r, F f);
  // Where each child lies, by child index, and whether it is drawn here
  // (shown, drawn by this panel): looked up once after the children moved
  // instead of in every lamp each time it is painted.
  struct ChildPlace {
    QRect bounds;
    bool drawn = false;
  };
  const std::vector<ChildPlace>& Places();
  // No caption, and a repaint inside the frame: the frame stays as it is.
  bool FrameUntouched(const QRect& dirty) const;
  // Where the widget shows in its window, as of a count of the program's
  // widget changes: worked out again only when a widget moved.
  struct Place {
    unsigned generation = 0;
    bool known = false;
    bool usable = false;
    QWidget* window = nullptr;
    QRect visible;
    QPoint at;
  };

  ui::TWinControl& panel_;
  const ui::TPanel* as_panel_;  // null for a page or another windowed control
  bool takes_focus_ = false;
  QRect dirty_;
  QRect stale_;  // shown, but not yet in the backing store
  Place place_;
  std::vector<ChildPlace> places_;  // empty: to be looked up
};

class LabelPeer : public PaintedPeer {
 public:
  using Control = ui::TLabel;
  LabelPeer(QtWidgetset& ws, ui::TLabel& label) : PaintedPeer(ws, label), label_(label) {}

 protected:
  void Apply(ui::Change what) override;
  bool Paint(QPainter& p) override;

 private:
  void FitText();
  int RoomToTheRight() const;
  ui::TLabel& label_;
  QFont font_;
};

// A control that is only drawn: a bevel, a shape, an image (paintedpeers.cpp
// draws each kind). A bevel only decorates: the mouse goes through it to
// what lies beneath (the fader's grip line to its thumb).
template <typename C>
class DrawnPeer final : public PaintedPeer {
 public:
  using Control = C;
  DrawnPeer(QtWidgetset& ws, C& c) : PaintedPeer(ws, c), model_(c) {}

 protected:
  QWidget* MakeWidget(QWidget* parent) override;
  bool Paint(QPainter& p) override;

 private:
  C& model_;
};

class SpeedButtonPeer : public PaintedPeer {
 public:
  using Control = ui::TSpeedButton;
  SpeedButtonPeer(QtWidgetset& ws, ui::TSpeedButton& button)
      : PaintedPeer(ws, button), button_(button) {}

 protected:
  bool Paint(QPainter& p) override;
  void Resync() override;

 private:
  ui::TSpeedButton& button_;
};

// The colour a control is filled with: its own, or its parent's when a
// panel takes the parent's colour.
QColor FillColorOf(const ui::TControl& c);

}  // namespace qt
