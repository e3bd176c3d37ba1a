#pragma once
// The base of every peer: it owns the widget made for its control, pushes
// the model's state into it with the widget's own signals blocked, and hands
// the user's input back to the model as calls on it (the model decides what
// a press, release or key means). A step after a call into the model first
// looks whether the peer still lives (a ui::TSafePtr to it). The widget outlives the
// peer only as an inert, hidden leftover that the widgetset deletes once no
// event of it can be on the way.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "qt/peerhost.h"
#include "ui/control.h"
#include "ui/safeptr.h"
#include "ui/widgetset.h"

class QKeyEvent;
class QMouseEvent;
class QWheelEvent;
class QPainter;

namespace qt {

class ControlPeer : public ui::Peer {
 public:
  ControlPeer(PeerHost& ws, ui::TControl& control);
  ~ControlPeer() override;
  ControlPeer(const ControlPeer&) = delete;
  ControlPeer& operator=(const ControlPeer&) = delete;

  void Changed(ui::Change what) final;

  QWidget* widget() const { return widget_.data(); }
  // Where the widgets of the control's children go.
  virtual QWidget* container() const { return widget(); }
  ui::TControl& control() const { return control_; }
  PeerHost& widgetset() const { return ws_; }
  // A child moved or was resized (a scroll box follows its content).
  virtual void ChildBoundsChanged() {}

  // The peer of a control, when it has one of ours.
  static ControlPeer* Of(const ui::TControl* c);
  // The live peer whose widget w is; null for a leftover or a widget of Qt's.
  static ControlPeer* OfWidget(const QWidget* w);
  // The widget showing the control; null when it has none.
  static QWidget* WidgetOf(const ui::TControl& control);

  // Makes the widget, fills it from the model, then connects its signals.
  // Called once by the widgetset right after construction.
  void Attach();

 protected:
  // The widget for the control, a child of parent (null for a window).
  virtual QWidget* MakeWidget(QWidget* parent) = 0;
  // Pushes one kind of model state into the widget; signals are blocked.
  virtual void Apply(ui::Change what);
  // Connects the widget's signals to calls on the model.
  virtual void Connect() {}
  // Events of the widget before it sees them; true when handled here.
  virtual bool Filter(QEvent* e);
  // Our own drawing of the control; false leaves the painting to the widget.
  virtual bool Paint(QPainter&) { return false; }
  // The part of the widget that the current Paint must cover.
  const QRect& PaintRect() const { return paint_rect_; }
  // For a Paint outside a paint event.
  void SetPaintRect(const QRect& r) { paint_rect_ = r; }

  // After the user's input: the state the model kept.
  virtual void Resync() { Apply(ui::Change::State); }
  // Runs a user's action on the model the way the message loop runs a
  // handler, then shows the model's state again while the peer still lives
  // (the action may free the control and so this peer).
  void Deliver(const std::function<void()>& action);
  // Keeps a connection so that it is cut when the peer goes.
  void Keep(QMetaObject::Connection c) { connections_.push_back(std::move(c)); }

  // The parent control's widget for children; null when the parent has none.
  QWidget* ParentContainer() const;
  // Mouse input on a control that takes it through its mouse handlers.
  bool RouteMouse(QEvent* e);
  bool RouteWheel(QWheelEvent* e);
  // A key going down or coming up on the focused control: navigation keys
  // go to the control, and Space to the control's own rule for it.
  bool RouteKey(QKeyEvent* e);
  // The control's value as a tool tip beside it; false when it has none.
  bool ShowValueTip();
  bool applying() const { return applying_ > 0; }
  // The mouse button is held over the control (its pressed look).
  bool mouse_pressed() const { return pressed_; }

 private:
  // Assistive technology acts as the user does: through Deliver.
  friend class AccessibleControl;
  class EventHook;
  void ApplyAll();

  PeerHost& ws_;
  ui::TControl& control_;
  QPointer<QWidget> widget_;
  QPointer<EventHook> hook_;
  std::vector<QMetaObject::Connection> connections_;
  int applying_ = 0;
  QRect paint_rect_;
  int wheel_rest_ = 0;  // eighths of a degree not yet a whole notch
  bool pressed_ = false;
  bool space_pressed_ = false;  // the control took Space going down
};

// Runs f as a handler of the current application (errors become its report).
void RunHandler(const std::function<void()>& f);

}  // namespace qt
