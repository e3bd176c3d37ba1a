#pragma once
// What assistive technology (a screen reader on the AT-SPI bus) learns of
// the peers' widgets: role, name, state, value and actions, read from the
// model when it asks; every action and every value it sets reaches the model
// as the user's own click, key or drag. While nothing listens, all that runs
// is the making of an interface when Qt asks for one (as it does when a
// widget shows), which it did for its own interfaces before.
#include <QAccessibleWidget>
#include <string>

#include "qt/accessibletext.h"
#include "ui/controltraits.h"
#include "ui/widgetset.h"

namespace qt {

class ControlPeer;

// Installs the factory of our interfaces (once).
void InstallAccessibility();

// Gives a widget that Qt's own interface serves (an edit field, a list)
// the name a listener hears, once the current event is done.
void NameLater(ControlPeer& peer);

// Tells assistive technology what changed on the peer's control; called
// only while it listens.
void AccessibleChanged(ControlPeer& peer, ui::Change what);

// One control's interface: the Qt roles, states, values and actions of what
// the control's class says of it (ui::UserFacet). Faders (their thumbs),
// meters and track bars have a value: a fader's value on its scale (its
// reading in dB, as a screen reader speaks a slider's value) with the
// reading as text ("-27.8 dB"), a meter's shown level in dB, read only;
// faders and meters give their name and reading as text for a screen
// reader's review. Boxes and buttons have their press or toggle action; a
// speed button that stays down is a check box. Decorations (rule marks,
// lamps, bevels) are invisible.
class AccessibleControl : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  using Kind = ui::ControlKind;
  AccessibleControl(QWidget* w, Kind kind);

  QAccessible::Role role() const override;
  QString text(QAccessible::Text t) const override;
  QAccessible::State state() const override;
  void* interface_cast(QAccessible::InterfaceType t) override;

  QStringList actionNames() const override;
  void doAction(const QString& name) override;

  QVariant currentValue() const override;
  void setCurrentValue(const QVariant& value) override;
  QVariant maximumValue() const override;
  QVariant minimumValue() const override;
  QVariant minimumStepSize() const override;

 private:
  ControlPeer* peer() const;
  // The control the widget presents (a fader for its thumb) and what it
  // says of itself; null without a live peer.
  ui::TControl* Presented() const;
  const ui::UserFacet& Facet() const;
  // The value spoken after the name: the tool tip's reading of a fader, a
  // meter's level and held peak.
  std::string ValueText() const;
  // The value a listener hears: on the control's scale where it has one.
  ui::Reading Heard(const ui::TControl& c) const;
  Kind kind_;
  ReadOnlyText review_text_;
};

}  // namespace qt
