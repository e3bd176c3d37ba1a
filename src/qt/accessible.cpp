#include "qt/accessible.h"

#include <QComboBox>
#include <QKeyEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "controls/levelmeter.h"
#include "controls/slider.h"
#include "qt/accessiblenames.h"
#include "qt/look.h"
#include "qt/peer.h"
#include "ui/buttons.h"
#include "ui/comctrls.h"
#include "ui/form.h"
#include "ui/sysutils.h"
#include "ui/useractions.h"

namespace qt {

namespace {

using controls::DecibelsOf;
using controls::ShownDecibels;
using Kind = AccessibleControl::Kind;

// The fader whose thumb c is.
controls::TSlider* FaderOfThumb(const ui::TControl& c) {
  auto* s = dynamic_cast<controls::TSlider*>(c.Owner());
  return s && s->Thumb() == &c ? s : nullptr;
}

Kind KindOf(const ui::TControl& c) {
  if (auto* f = dynamic_cast<const ui::TForm*>(&c))
    return f->BorderStyle() == ui::TFormBorderStyle::bsDialog ? Kind::Dialog : Kind::Window;
  if (auto* l = dynamic_cast<const ui::TLabel*>(&c))
    return Decorative(*l) ? Kind::Decoration : Kind::Label;
  if (FaderOfThumb(c)) return Kind::Fader;
  if (dynamic_cast<const controls::TLevelMeter*>(&c)) return Kind::Meter;
  if (auto* b = dynamic_cast<const ui::TSpeedButton*>(&c))
    return b->GroupIndex() > 0 || b->AllowAllUp() ? Kind::ToggleButton : Kind::PushButton;
  if (dynamic_cast<const ui::TCheckBox*>(&c)) return Kind::CheckBox;
  if (dynamic_cast<const ui::TRadioButton*>(&c)) return Kind::RadioButton;
  if (dynamic_cast<const ui::TButton*>(&c)) return Kind::PushButton;
  if (dynamic_cast<const ui::TTrackBar*>(&c)) return Kind::TrackBar;
  if (dynamic_cast<const ui::TComboBox*>(&c)) return Kind::ComboBox;
  if (c.IsWindowed()) return Kind::Pane;
  return Kind::Decoration;  // bevels, shapes, pictures
}

std::string DecibelText(double db) {
  if (std::isinf(db)) return "-\xE2\x88\x9E dB";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f dB", db + 0.0);
  return text;
}

QAccessibleInterface* Factory(const QString&, QObject* o) {
  if (!o || !o->isWidgetType()) return nullptr;
  auto* w = static_cast<QWidget*>(o);
  ControlPeer* peer = ControlPeer::OfWidget(w);
  if (!peer) return nullptr;
  const ui::TControl& c = peer->control();
  // Qt's own interfaces serve these (text, items); they only lack the name
  // that the label beside them gives. Naming the widget asks for its
  // interface again, so the name follows once this one is made.
  if (dynamic_cast<const ui::TEdit*>(&c) || dynamic_cast<const ui::TListBox*>(&c)) {
    if (w->accessibleName().isEmpty()) NameLater(*peer);
    return nullptr;
  }
  if (dynamic_cast<const ui::TScrollBox*>(&c) || dynamic_cast<const ui::TGroupBox*>(&c))
    return nullptr;
  return new AccessibleControl(w, KindOf(c));
}

}  // namespace

void NameLater(ControlPeer& peer) {
  QWidget* w = peer.widget();
  if (!w) return;
  QMetaObject::invokeMethod(
      w,
      [w] {
        if (ControlPeer* p = ControlPeer::OfWidget(w))
          w->setAccessibleName(FromUtf8(AccessibleName(p->control())));
      },
      Qt::QueuedConnection);
}

void InstallAccessibility() {
  QAccessible::installFactory(&Factory);
}

AccessibleControl::AccessibleControl(QWidget* w, Kind kind) : QAccessibleWidget(w), kind_(kind) {}

ControlPeer* AccessibleControl::peer() const {
  return ControlPeer::OfWidget(widget());
}

QAccessible::Role AccessibleControl::role() const {
  switch (kind_) {
    case Kind::Window:
      return QAccessible::Window;
    case Kind::Dialog:
      return QAccessible::Dialog;
    case Kind::Label:
      return QAccessible::StaticText;
    case Kind::Decoration:
      return QAccessible::Separator;
    case Kind::Pane:
      return QAccessible::Pane;
    case Kind::Fader:
    case Kind::TrackBar:
      return QAccessible::Slider;
    case Kind::Meter:
      return QAccessible::ProgressBar;
    case Kind::ComboBox:
      return QAccessible::ComboBox;
    case Kind::CheckBox:
      return QAccessible::CheckBox;
    case Kind::RadioButton:
      return QAccessible::RadioButton;
    case Kind::PushButton:
    case Kind::ToggleButton:
      return QAccessible::Button;
  }
  return QAccessible::Client;
}

QString AccessibleControl::text(QAccessible::Text t) const {
  ControlPeer* p = peer();
  if (!p) return QAccessibleWidget::text(t);
  switch (t) {
    case QAccessible::Name:
      return FromUtf8(AccessibleName(p->control()));
    case QAccessible::Value:
      return FromUtf8(ValueText());
    case QAccessible::Description:
      // Read out by screen readers that leave the value text aside.
      if (kind_ == Kind::Fader || kind_ == Kind::Meter || kind_ == Kind::ComboBox)
        return FromUtf8(ValueText());
      return QAccessibleWidget::text(t);
    default:
      return QAccessibleWidget::text(t);
  }
}

std::string AccessibleControl::ValueText() const {
  ControlPeer* p = peer();
  if (!p) return {};
  const ui::TControl& c = p->control();
  if (controls::TSlider* s = FaderOfThumb(c)) {
    std::string reading = s->ScaleReading();
    return reading.empty() ? std::to_string(s->Position()) : reading;
  }
  if (auto* m = dynamic_cast<const controls::TLevelMeter*>(&c)) {
    std::string text = DecibelText(ShownDecibels(*m));
    if (m->Peak() > 0)
      text +=
          ", Spitze " + DecibelText(DecibelsOf(m->FirstLevelOfLamp(m->Peak()), m->GetLevelMax()));
    return text;
  }
  if (auto* b = dynamic_cast<const ui::TTrackBar*>(&c)) return std::to_string(b->Position());
  if (auto* box = dynamic_cast<const ui::TComboBox*>(&c)) {
    const int i = box->ItemIndex();
    return i >= 0 && i < box->Count() ? box->Items()[i] : std::string();
  }
  return {};
}

QAccessible::State AccessibleControl::state() const {
  QAccessible::State s = QAccessibleWidget::state();
  ControlPeer* p = peer();
  if (!p) return s;
  const ui::TControl& c = p->control();
  if (auto* box = dynamic_cast<const ui::TCheckBox*>(&c)) {
    s.checkable = true;
    s.checked = box->Checked();
  } else if (auto* radio = dynamic_cast<const ui::TRadioButton*>(&c)) {
    s.checkable = true;
    s.checked = radio->Checked();
  } else if (auto* b = dynamic_cast<const ui::TSpeedButton*>(&c)) {
    s.checkable = kind_ == Kind::ToggleButton;
    s.checked = s.checkable && b->Down();
    s.pressed = b->Down();
  } else if (kind_ == Kind::Meter) {
    s.readOnly = true;
  }
  return s;
}

void* AccessibleControl::interface_cast(QAccessible::InterfaceType t) {
  if (t == QAccessible::ValueInterface &&
      (kind_ == Kind::Fader || kind_ == Kind::Meter || kind_ == Kind::TrackBar))
    return static_cast<QAccessibleValueInterface*>(this);
  return QAccessibleWidget::interface_cast(t);
}

QStringList AccessibleControl::actionNames() const {
  QStringList names;
  switch (kind_) {
    case Kind::CheckBox:
      names << toggleAction();
      break;
    case Kind::RadioButton:
    case Kind::PushButton:
    case Kind::ToggleButton:
    case Kind::ComboBox:
      names << pressAction();
      break;
    default:
      break;
  }
  return names + QAccessibleWidget::actionNames();
}

// A press or a toggle is the user's click (a speed button: Space, as the
// mouse presses it); the model's state is then shown again.
void AccessibleControl::doAction(const QString& name) {
  ControlPeer* p = peer();
  const bool ours =
      (name == pressAction() || name == toggleAction()) && actionNames().contains(name);
  if (!p || !ours) {
    QAccessibleWidget::doAction(name);
    return;
  }
  ui::TControl& c = p->control();
  if (!c.Enabled()) return;
  // The list opens as the mouse opens it; a choice in it is the user's.
  if (auto* combo = qobject_cast<QComboBox*>(widget())) {
    combo->showPopup();
    return;
  }
  if (dynamic_cast<ui::TSpeedButton*>(&c)) {
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    p->RouteKey(&space);
    return;
  }
  p->Deliver([&c] { ui::user::Click(&c); });
}

QVariant AccessibleControl::currentValue() const {
  ControlPeer* p = peer();
  if (!p) return {};
  const ui::TControl& c = p->control();
  if (controls::TSlider* s = FaderOfThumb(c)) return s->Position();
  if (auto* m = dynamic_cast<const controls::TLevelMeter*>(&c)) {
    const double db = ShownDecibels(*m);
    return std::isinf(db) ? minimumValue() : QVariant(db);
  }
  if (auto* b = dynamic_cast<const ui::TTrackBar*>(&c)) return b->Position();
  return {};
}

// A fader is dragged to the place of the value, as the mouse would drag it:
// the same change handler, link rule and driver message. A meter only
// tells.
void AccessibleControl::setCurrentValue(const QVariant& value) {
  ControlPeer* p = peer();
  if (!p) return;
  ui::TControl& c = p->control();
  const double v = value.toDouble();
  if (controls::TSlider* s = FaderOfThumb(c)) {
    if (!s->Enabled() || s->Max() <= s->Min()) return;
    const double f = std::clamp((v - s->Min()) / (s->Max() - s->Min()), 0.0, 1.0);
    const int dy = static_cast<int>(ui::RoundHalfEven(s->Travel() * f)) - s->Offset();
    p->Deliver([s, dy] { s->DragThumb(dy); });
  } else if (auto* b = dynamic_cast<ui::TTrackBar*>(&c)) {
    const int pos = std::clamp(static_cast<int>(std::lround(v)), b->Min(), b->Max());
    if (b->Enabled() && pos != b->Position()) p->Deliver([b, pos] { b->SetPosition(pos); });
  }
}

QVariant AccessibleControl::maximumValue() const {
  ControlPeer* p = peer();
  if (!p) return {};
  const ui::TControl& c = p->control();
  if (controls::TSlider* s = FaderOfThumb(c)) return s->Max();
  if (kind_ == Kind::Meter) return 0.0;
  if (auto* b = dynamic_cast<const ui::TTrackBar*>(&c)) return b->Max();
  return {};
}

QVariant AccessibleControl::minimumValue() const {
  ControlPeer* p = peer();
  if (!p) return {};
  const ui::TControl& c = p->control();
  if (controls::TSlider* s = FaderOfThumb(c)) return s->Min();
  if (auto* m = dynamic_cast<const controls::TLevelMeter*>(&c))
    return DecibelsOf(std::max(m->FirstLevelOfLamp(0), 1), m->GetLevelMax());
  if (auto* b = dynamic_cast<const ui::TTrackBar*>(&c)) return b->Min();
  return {};
}

// One pixel of the fader's travel; a meter's and a bar's own step.
QVariant AccessibleControl::minimumStepSize() const {
  ControlPeer* p = peer();
  if (!p) return {};
  if (controls::TSlider* s = FaderOfThumb(p->control()))
    return s->Travel() > 0 ? (s->Max() - s->Min()) / static_cast<double>(s->Travel()) : 1.0;
  return kind_ == Kind::Meter ? 0.1 : 1.0;
}

void AccessibleChanged(ControlPeer& peer, ui::Change what) {
  QWidget* w = peer.widget();
  const ui::TControl& c = peer.control();
  if (!w) return;
  if (what == ui::Change::Caption) {
    QAccessibleEvent e(w, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&e);
  } else if (controls::TSlider* s = FaderOfThumb(c); s && what == ui::Change::Bounds) {
    QAccessibleValueChangeEvent e(w, s->Position());
    QAccessible::updateAccessibility(&e);
  } else if (dynamic_cast<const ui::TSpeedButton*>(&c) && what == ui::Change::State) {
    QAccessible::State changed;
    changed.checked = true;
    changed.pressed = true;
    QAccessibleStateChangeEvent e(w, changed);
    QAccessible::updateAccessibility(&e);
  }
}

}  // namespace qt
