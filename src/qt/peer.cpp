#include "qt/peer.h"

#include <QAccessible>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <iterator>
#include <utility>

#include "qt/compositor.h"
#include "qt/look.h"
#include "ui/application.h"
#include "ui/stdctrls.h"

namespace qt {

// Sees the widget's events first. It lives as the widget's child, so it is
// still there when the peer goes in the middle of one of its events.
class ControlPeer::EventHook : public QObject {
 public:
  EventHook(ControlPeer* peer, QWidget* w) : QObject(w), peer_(peer) {}
  void Detach() { peer_ = nullptr; }
  ControlPeer* peer() const { return peer_; }
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (!peer_ || watched != parent()) return false;
    if (e->type() == QEvent::Paint) {
      peer_->paint_rect_ = static_cast<QPaintEvent*>(e)->rect();
      QPainter p(static_cast<QWidget*>(watched));
      return peer_->Paint(p);
    }
    return peer_->Filter(e);
  }

 private:
  ControlPeer* peer_;
};

void RunHandler(const std::function<void()>& f) {
  if (ui::TApplication* app = ui::Application()) {
    app->Guard(f);
    return;
  }
  try {
    f();
  } catch (const std::exception&) {
    // Without an application there is nobody to report to.
  }
}

ControlPeer::ControlPeer(PeerHost& ws, ui::TControl& control) : ws_(ws), control_(control) {}

ControlPeer::~ControlPeer() {
  ClearWeakReferences();
  for (auto& c : connections_) QObject::disconnect(c);
  if (hook_) hook_->Detach();
  if (widget_) ws_.Retire(widget_.data());
}

ControlPeer* ControlPeer::Of(const ui::TControl* c) {
  return c ? dynamic_cast<ControlPeer*>(c->peer()) : nullptr;
}

QWidget* ControlPeer::WidgetOf(const ui::TControl& control) {
  ControlPeer* p = Of(&control);
  return p ? p->widget() : nullptr;
}

ControlPeer* ControlPeer::OfWidget(const QWidget* w) {
  if (!w) return nullptr;
  for (QObject* child : w->children())
    if (auto* hook = dynamic_cast<EventHook*>(child); hook && hook->parent() == w)
      return hook->peer();
  return nullptr;
}

QWidget* ControlPeer::ParentContainer() const {
  ControlPeer* p = Of(control_.Parent());
  return p ? p->container() : nullptr;
}

void ControlPeer::Attach() {
  QWidget* w = MakeWidget(ParentContainer());
  widget_ = w;
  auto* hook = new EventHook(this, w);
  hook_ = hook;
  w->installEventFilter(hook);
  ApplyAll();
  // Controls without a window are drawn under the windowed ones.
  if (control_.Parent()) {
    if (control_.IsWindowed())
      w->raise();
    else
      w->lower();
  }
  Connect();
}

void ControlPeer::ApplyAll() {
  for (ui::Change c :
       {ui::Change::Font, ui::Change::Color, ui::Change::Caption, ui::Change::Items,
        ui::Change::State, ui::Change::Hint, ui::Change::Enabled, ui::Change::Icon,
        ui::Change::Menu, ui::Change::ZOrder, ui::Change::Bounds, ui::Change::Visible})
    Changed(c);
}

void ControlPeer::Changed(ui::Change what) {
  if (!widget_ || ws_.display_gone()) return;
  // Every change to a widget comes through here: Qt may move or show what
  // the backing store holds right away.
  ws_.compositor().BeforeWidgetChange();
  ++applying_;
  {
    QSignalBlocker block(widget_.data());
    Apply(what);
  }
  --applying_;
  // Nothing more while no assistive technology listens.
  if (QAccessible::isActive()) ws_.AnnounceChange(*this, what);
}

void ControlPeer::Apply(ui::Change what) {
  QWidget* w = widget_.data();
  switch (what) {
    case ui::Change::Bounds:
      w->setGeometry(control_.Left(), control_.Top(), std::max(0, control_.Width()),
                     std::max(0, control_.Height()));
      w->update();
      if (ControlPeer* p = Of(control_.Parent())) p->ChildBoundsChanged();
      break;
    case ui::Change::Visible:
      w->setVisible(control_.Visible());
      break;
    case ui::Change::Enabled:
      w->setEnabled(control_.Enabled());
      break;
    case ui::Change::Font: {
      w->setFont(ToQFont(control_.Font()));
      QPalette pal = w->palette();
      QColor text = ToQColor(control_.Font().Color);
      pal.setColor(QPalette::WindowText, text);
      pal.setColor(QPalette::ButtonText, text);
      pal.setColor(QPalette::Text, text);
      w->setPalette(pal);
      w->update();
      break;
    }
    case ui::Change::Hint:
      w->setToolTip(FromUtf8(control_.Hint()));
      break;
    default:
      w->update();
      break;
  }
}

bool ControlPeer::Filter(QEvent*) {
  return false;
}

void ControlPeer::Deliver(const std::function<void()>& action) {
  const ui::TSafePtr<ControlPeer> self(this);
  RunHandler(action);
  if (self && widget_) {
    ++applying_;
    {
      QSignalBlocker block(widget_.data());
      Resync();
    }
    --applying_;
  }
}

// The wheel goes to the control under the mouse and up its parents until
// one takes it (a fader over its thumb, grip or groove); whole notches only.
bool ControlPeer::RouteWheel(QWheelEvent* e) {
  wheel_rest_ += e->angleDelta().y();
  const int notches = wheel_rest_ / 120;
  wheel_rest_ -= notches * 120;
  if (notches == 0) return true;
  const ui::TShiftState shift = (e->modifiers() & Qt::ShiftModifier) ? ui::ssShift : 0;
  bool taken = false;
  ui::TControl* target = &control_;
  Deliver([target, shift, notches, &taken] {
    for (ui::TControl* c = target; c && !taken; c = c->Parent())
      taken = c->Enabled() && c->MouseWheel(shift, notches);
  });
  return taken;
}

bool ControlPeer::RouteKey(QKeyEvent* e) {
  ui::TControl& c = control_;
  const bool down = e->type() == QEvent::KeyPress;
  if (e->key() == Qt::Key_Space) {
    // A held key's repeats change nothing; a release goes where the press
    // did, as the mouse button's does.
    if (e->isAutoRepeat()) return space_pressed_;
    if (down) {
      if (!c.Enabled()) return false;
      bool taken = false;
      const ui::TSafePtr<ControlPeer> self(this);
      Deliver([&c, &taken] { taken = c.UserSpace(true); });
      if (self) space_pressed_ = taken;
      return taken;
    }
    if (!space_pressed_) return false;
    space_pressed_ = false;
    if (c.Enabled()) Deliver([&c] { c.UserSpace(false); });
    return true;
  }
  if (!down || !c.Enabled()) return false;
  static constexpr std::pair<int, WORD> kKeys[] = {
      {Qt::Key_Up, ui::VK_UP},         {Qt::Key_Down, ui::VK_DOWN}, {Qt::Key_PageUp, ui::VK_PRIOR},
      {Qt::Key_PageDown, ui::VK_NEXT}, {Qt::Key_Home, ui::VK_HOME}, {Qt::Key_End, ui::VK_END}};
  const auto* key = std::find_if(std::begin(kKeys), std::end(kKeys),
                                 [e](const auto& k) { return k.first == e->key(); });
  if (key == std::end(kKeys)) return false;
  const WORD vk = key->second;
  const ui::TShiftState shift = (e->modifiers() & Qt::ShiftModifier) ? ui::ssShift : 0;
  bool taken = false;
  const ui::TSafePtr<ControlPeer> self(this);
  Deliver([&c, vk, shift, &taken] { taken = c.NavigationKey(vk, shift); });
  if (taken && self) ShowValueTip();
  return taken;
}

bool ControlPeer::ShowValueTip() {
  if (!control_.OnValueText || !widget_) return false;
  std::string text;
  RunHandler([&] { text = control_.OnValueText(); });
  if (text.empty()) return false;
  QWidget* w = widget_.data();
  QToolTip::showText(w->mapToGlobal(QPoint(w->width() + 2, 0)), FromUtf8(text), w);
  return true;
}

bool ControlPeer::RouteMouse(QEvent* e) {
  auto type = e->type();
  if (type == QEvent::Wheel) return RouteWheel(static_cast<QWheelEvent*>(e));
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
      type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
    return false;
  auto* me = static_cast<QMouseEvent*>(e);
  const QPoint pos = me->position().toPoint();
  const int x = pos.x(), y = pos.y();
  ui::TMouseButton b = me->button() == Qt::RightButton    ? ui::TMouseButton::mbRight
                       : me->button() == Qt::MiddleButton ? ui::TMouseButton::mbMiddle
                                                          : ui::TMouseButton::mbLeft;
  ui::TControl& c = control_;
  if (!c.Enabled()) return true;
  switch (type) {
    case QEvent::MouseButtonPress:
      // The right button belongs to the window's menu.
      if (b == ui::TMouseButton::mbRight) return false;
      pressed_ = true;
      Deliver([&c, b, x, y] { c.UserPress(b, 0, x, y); });
      return true;
    case QEvent::MouseButtonDblClick:
      pressed_ = true;
      Deliver([&c, b, x, y] { c.UserDoublePress(b, 0, x, y); });
      return true;
    case QEvent::MouseMove:
      if (!pressed_) return false;
      Deliver([&c, x, y] { c.MouseMove(0, x, y); });
      return true;
    default:
      if (!pressed_) return false;
      pressed_ = false;
      // The control decides whether the release clicks it.
      Deliver([&c, b, x, y] { c.UserRelease(b, 0, x, y); });
      return true;
  }
}

}  // namespace qt
