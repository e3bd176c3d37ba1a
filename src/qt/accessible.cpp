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

// A fader's value as a listener hears it: its scale's reading in dB, to
// the tenth the tool tip shows, were the thumb offset pixels up. Where a
// scale ends in no level (-inf, as the text says) the numbers go on below
// the lowest reading by its last pixel's step, so values stay numbers and
// in order; a fader without a scale reads its position.
double FaderValue(const controls::TSlider& s, int offset) {
  double reading = s.ReadingAt(offset);
  if (std::isnan(reading))
    return s.Travel() > 0 ? s.Min() + (s.Max() - s.Min()) * static_cast<double>(offset) / s.Travel()
                          : s.Min();
  if (std::isinf(reading)) {
    int up = offset + 1;
    while (up < s.Travel() && std::isinf(s.ReadingAt(up))) ++up;
    const double a = s.ReadingAt(up), b = s.ReadingAt(up + 1);
    if (std::isinf(a) || std::isinf(b)) return -std::numeric_limits<double>::max();
    reading = a - (b - a) * (up - offset);
  }
  return std::round(reading * 10) / 10;
}

// Full scale is 0 dB.
double DecibelsOf(std::int32_t level, std::int32_t full) {
  return 20.0 * std::log10(static_cast<double>(level) / std::max<std::int32_t>(full, 1));
}

std::string DecibelText(double db) {
  if (std::isinf(db)) return "-\xE2\x88\x9E dB";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f dB", db + 0.0);
  return text;
}

// The level the meter's column shows: that of its highest lit lamp below
// the held peak; minus infinity when none is lit.
double ShownDecibels(const controls::TLevelMeter& m) {
  for (int i = std::min(m.LitTop(), m.Count() - 1); i >= 0; --i)
    if (const controls::TLumi* l = m.Lumi(i); l && l->GetOn())
      return DecibelsOf(m.FirstLevelOfLamp(i), m.GetLevelMax());
  return -std::numeric_limits<double>::infinity();
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

AccessibleControl::AccessibleControl(QWidget* w, Kind kind)
    : QAccessibleWidget(w),
      kind_(kind),
      review_text_([this] { return text(QAccessible::Name) + ' ' + text(QAccessible::Value); },
                   [this] { return rect(); }) {}

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
      return QAccessible::Button;
    // A button that stays down is read as a check box, checked or not, as
    // Qt reads a checkable button.
    case Kind::ToggleButton:
      return QAccessible::CheckBox;
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
    s.pressed = !s.checkable && b->Down();
  } else if (kind_ == Kind::Meter) {
    s.readOnly = true;
  } else if (kind_ == Kind::Decoration) {
    // Nothing to hear: a rule mark or a lamp is no separator to a listener.
    s.invisible = true;
  }
  return s;
}

void* AccessibleControl::interface_cast(QAccessible::InterfaceType t) {
  if (t == QAccessible::ValueInterface &&
      (kind_ == Kind::Fader || kind_ == Kind::Meter || kind_ == Kind::TrackBar))
    return static_cast<QAccessibleValueInterface*>(this);
  if (t == QAccessible::TextInterface && (kind_ == Kind::Meter || kind_ == Kind::Fader))
    return static_cast<QAccessibleTextInterface*>(&review_text_);
  return QAccessibleWidget::interface_cast(t);
}

QStringList AccessibleControl::actionNames() const {
  QStringList names;
  switch (kind_) {
    case Kind::CheckBox:
    case Kind::ToggleButton:
      names << toggleAction();
      break;
    case Kind::RadioButton:
    case Kind::PushButton:
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
  if (controls::TSlider* s = FaderOfThumb(c)) return FaderValue(*s, s->Offset());
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
    // The place whose reading is nearest, the lowest of equals.
    int best = 0;
    for (int o = 1; o <= s->Travel(); ++o)
      if (std::abs(FaderValue(*s, o) - v) < std::abs(FaderValue(*s, best) - v)) best = o;
    const int dy = best - s->Offset();
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
  if (controls::TSlider* s = FaderOfThumb(c)) return FaderValue(*s, s->Travel());
  if (kind_ == Kind::Meter) return 0.0;
  if (auto* b = dynamic_cast<const ui::TTrackBar*>(&c)) return b->Max();
  return {};
}

QVariant AccessibleControl::minimumValue() const {
  ControlPeer* p = peer();
  if (!p) return {};
  const ui::TControl& c = p->control();
  if (controls::TSlider* s = FaderOfThumb(c)) return FaderValue(*s, 0);
  if (auto* m = dynamic_cast<const controls::TLevelMeter*>(&c))
    return DecibelsOf(std::max(m->FirstLevelOfLamp(0), 1), m->GetLevelMax());
  if (auto* b = dynamic_cast<const ui::TTrackBar*>(&c)) return b->Min();
  return {};
}

// A tenth of a dB, as faders and meters read; a bar's own step.
QVariant AccessibleControl::minimumStepSize() const {
  return kind_ == Kind::TrackBar ? 1.0 : 0.1;
}

void AccessibleChanged(ControlPeer& peer, ui::Change what) {
  QWidget* w = peer.widget();
  const ui::TControl& c = peer.control();
  if (!w) return;
  if (what == ui::Change::Caption) {
    QAccessibleEvent e(w, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&e);
  } else if (controls::TSlider* s = FaderOfThumb(c); s && what == ui::Change::Bounds) {
    QAccessibleValueChangeEvent e(w, FaderValue(*s, s->Offset()));
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
