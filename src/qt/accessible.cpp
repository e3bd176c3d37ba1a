#include "qt/accessible.h"

#include <QComboBox>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "qt/accessiblenames.h"
#include "qt/look.h"
#include "qt/peer.h"

namespace qt {

namespace {

using Kind = AccessibleControl::Kind;

// The widget of a control taken through its handle (a fader's groove) is
// only the track behind the handle, which speaks for the control.
const ui::UserFacet& TrackFacet() {
  static const ui::UserFacet track = ui::ShownAs(Kind::Pane);
  return track;
}

// The control c's widget presents, and what that control says of itself.
std::pair<ui::TControl*, const ui::UserFacet*> Present(ui::TControl& c) {
  if (ui::TControl* owner = ui::HandleOwner(c)) return {owner, &ui::UserFacetOf(*owner)};
  const ui::UserFacet& f = ui::UserFacetOf(c);
  return {&c, f.handle ? &TrackFacet() : &f};
}

Kind KindOfWidget(ui::TControl& c) {
  auto [control, facet] = Present(c);
  const Kind kind = facet->kind(*control);
  return kind == Kind::Label && Decorative(*control) ? Kind::Decoration : kind;
}

// Full scale is 0 dB.
double DecibelsOf(double level, double full) {
  return 20.0 * std::log10(level / std::max(full, 1.0));
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
  switch (ui::KindOf(peer->control())) {
    // Qt's own interfaces serve these (text, items); they only lack the name
    // that the label beside them gives. Naming the widget asks for its
    // interface again, so the name follows once this one is made.
    case Kind::Edit:
    case Kind::ListBox:
      if (w->accessibleName().isEmpty()) NameLater(*peer);
      return nullptr;
    case Kind::Group:
    case Kind::ScrollArea:
      return nullptr;
    default:
      return new AccessibleControl(w, KindOfWidget(peer->control()));
  }
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
  RegisterAccessibleNames();
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

ui::TControl* AccessibleControl::Presented() const {
  ControlPeer* p = peer();
  return p ? Present(p->control()).first : nullptr;
}

const ui::UserFacet& AccessibleControl::Facet() const {
  ControlPeer* p = peer();
  return p ? *Present(p->control()).second : TrackFacet();
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
    case Kind::ScrollArea:
      return QAccessible::Pane;
    case Kind::Group:
      return QAccessible::Grouping;
    case Kind::Edit:
      return QAccessible::EditableText;
    case Kind::ListBox:
      return QAccessible::List;
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
    // Qt reads its own checkable buttons (Qt has no toggle button role, and
    // a screen reader reads no state of a push button).
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

// A meter tells the level its column shows in dB, and the held peak.
std::string AccessibleControl::ValueText() const {
  ui::TControl* c = Presented();
  if (!c) return {};
  const ui::UserFacet& f = Facet();
  if (kind_ == Kind::Meter && f.reading) {
    const ui::Reading r = f.reading(*c);
    std::string text = DecibelText(DecibelsOf(r.value, r.max));
    if (r.peak) text += ", Spitze " + DecibelText(DecibelsOf(*r.peak, r.max));
    return text;
  }
  return f.value_text ? f.value_text(*c) : std::string();
}

// A box is checked; a speed button is checked while it is down when it
// stays down, else pressed. A decoration is invisible: a rule mark or a
// lamp is no separator to a listener.
QAccessible::State AccessibleControl::state() const {
  QAccessible::State s = QAccessibleWidget::state();
  ui::TControl* c = Presented();
  if (!c) return s;
  const ui::UserFacet& f = Facet();
  if (f.checked && (kind_ == Kind::CheckBox || kind_ == Kind::RadioButton)) {
    s.checkable = true;
    s.checked = f.checked(*c);
  } else if (f.checked) {
    const bool down = f.checked(*c);
    s.checkable = kind_ == Kind::ToggleButton;
    s.checked = s.checkable && down;
    s.pressed = !s.checkable && down;
  } else if (kind_ == Kind::Meter) {
    s.readOnly = true;
  } else if (kind_ == Kind::Decoration) {
    s.invisible = true;
  }
  return s;
}

void* AccessibleControl::interface_cast(QAccessible::InterfaceType t) {
  if (t == QAccessible::ValueInterface &&
      (kind_ == Kind::Fader || kind_ == Kind::Meter || kind_ == Kind::TrackBar))
    return static_cast<QAccessibleValueInterface*>(this);
  if (t == QAccessible::TextInterface && (kind_ == Kind::Fader || kind_ == Kind::Meter))
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

// A press or a toggle is the user's (ui::UserFacet::press); the model's
// state is then shown again.
void AccessibleControl::doAction(const QString& name) {
  ControlPeer* p = peer();
  const bool ours =
      (name == pressAction() || name == toggleAction()) && actionNames().contains(name);
  if (!p || !ours) {
    QAccessibleWidget::doAction(name);
    return;
  }
  ui::TControl& c = *Presented();
  if (!c.Enabled()) return;
  // The list opens as the mouse opens it; a choice in it is the user's.
  if (auto* combo = qobject_cast<QComboBox*>(widget())) {
    combo->showPopup();
    return;
  }
  if (const ui::UserFacet& f = Facet(); f.press) p->Deliver([&f, &c] { f.press(c); });
}

// What a listener hears of the value: a fader's reading on its scale (a
// screen reader speaks only the number of a slider's value on every move),
// a meter's level in dB (its lowest lamp's when none is lit), a bar's
// position.
ui::Reading AccessibleControl::Heard(const ui::TControl& c) const {
  const ui::UserFacet& f = Facet();
  if (f.scale) return f.scale(c);
  ui::Reading r = f.reading(c);
  if (kind_ == Kind::Meter) {
    const double min = DecibelsOf(r.min, r.max), db = DecibelsOf(r.value, r.max);
    r = {std::isinf(db) ? min : db, min, 0.0, 0.1, {}};
  }
  return r;
}

QVariant AccessibleControl::currentValue() const {
  ui::TControl* c = Presented();
  if (!c || !Facet().reading) return {};
  return Heard(*c).value;
}

// A fader is dragged to the place of the value, as the mouse would drag it:
// the same change handler, link rule and driver message. A meter only
// tells.
void AccessibleControl::setCurrentValue(const QVariant& value) {
  ControlPeer* p = peer();
  ui::TControl* c = Presented();
  const ui::UserFacet& f = Facet();
  const auto& set = f.set_on_scale ? f.set_on_scale : f.set_value;
  if (!p || !c || !set || !c->Enabled()) return;
  const double v = value.toDouble();
  p->Deliver([&set, c, v] { set(*c, v); });
}

QVariant AccessibleControl::maximumValue() const {
  ui::TControl* c = Presented();
  if (!c || !Facet().reading) return {};
  return Heard(*c).max;
}

QVariant AccessibleControl::minimumValue() const {
  ui::TControl* c = Presented();
  if (!c || !Facet().reading) return {};
  return Heard(*c).min;
}

QVariant AccessibleControl::minimumStepSize() const {
  ui::TControl* c = Presented();
  if (!c || !Facet().reading) return {};
  return Heard(*c).step;
}

// A thumb that moves tells its fader's value; a speed button its state.
void AccessibleChanged(ControlPeer& peer, ui::Change what) {
  QWidget* w = peer.widget();
  ui::TControl& c = peer.control();
  if (!w) return;
  if (what == ui::Change::Caption) {
    QAccessibleEvent e(w, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&e);
    return;
  }
  if (ui::TControl* owner = ui::HandleOwner(c)) {
    const ui::UserFacet& f = ui::UserFacetOf(*owner);
    if (what != ui::Change::Bounds || !f.reading) return;
    QAccessibleValueChangeEvent e(w, (f.scale ? f.scale : f.reading)(*owner).value);
    QAccessible::updateAccessibility(&e);
    return;
  }
  const ui::UserFacet& f = ui::UserFacetOf(c);
  if (what != ui::Change::State || !f.checked) return;
  if (const Kind kind = f.kind(c); kind != Kind::PushButton && kind != Kind::ToggleButton) return;
  QAccessible::State changed;
  changed.checked = true;
  changed.pressed = true;
  QAccessibleStateChangeEvent e(w, changed);
  QAccessible::updateAccessibility(&e);
}

}  // namespace qt
