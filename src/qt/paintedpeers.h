#pragma once
// The peers we draw ourselves: panels (with their bevels), labels, bevels,
// shapes (the meters' lamps), images and speed buttons. They take the
// mouse through the control's own mouse handlers.
#include "qt/peer.h"
#include "ui/buttons.h"
#include "ui/extctrls.h"
#include "ui/stdctrls.h"

namespace qt {

class Compositor;
class DirectPanel;

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
// (a meter's lamps); the compositor shows the lamps that switch without
// Qt's repaint, from a record of the panel that it keeps. It covers its
// whole area, so nothing beneath it is painted again.
class PanelPeer : public PaintedPeer {
 public:
  using Control = ui::TWinControl;
  PanelPeer(PeerHost& ws, ui::TWinControl& panel)
      : PaintedPeer(ws, panel), panel_(panel), as_panel_(dynamic_cast<const ui::TPanel*>(&panel)) {}
  ~PanelPeer() override;
  // Changes of the drawn children go to the compositor's record.
  void ChildChanged(ui::TControl& child, ui::Change what) override;
  void ChildrenChanged(ui::TControl& first, ui::TControl& last, ui::Change what) override;
  void ChildListChanged() override;

 protected:
  QWidget* MakeWidget(QWidget* parent) override;
  void Apply(ui::Change what) override;
  bool Paint(QPainter& p) override;

 private:
  ui::TWinControl& panel_;
  const ui::TPanel* as_panel_;  // null for a page or another windowed control
  // The compositor and its record of the panel, once the widget is made.
  Compositor* compositor_ = nullptr;
  DirectPanel* lamps_ = nullptr;
};

class LabelPeer : public PaintedPeer {
 public:
  using Control = ui::TLabel;
  LabelPeer(PeerHost& ws, ui::TLabel& label) : PaintedPeer(ws, label), label_(label) {}

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
  DrawnPeer(PeerHost& ws, C& c) : PaintedPeer(ws, c), model_(c) {}

 protected:
  QWidget* MakeWidget(QWidget* parent) override;
  bool Paint(QPainter& p) override;

 private:
  C& model_;
};

class SpeedButtonPeer : public PaintedPeer {
 public:
  using Control = ui::TSpeedButton;
  SpeedButtonPeer(PeerHost& ws, ui::TSpeedButton& button)
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
