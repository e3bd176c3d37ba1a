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

// One control's interface. Faders (their thumbs), meters and track bars
// have a value: a fader's position with its scale reading as text
// ("-27.8 dB"), a meter's shown level in dB, read only; their text is
// their name and reading, for a screen reader's review. Boxes and buttons
// have their press or toggle action; a speed button that stays down is a
// check box. Decorations (bevels, rule marks, lamps) are invisible.
class AccessibleControl : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  enum class Kind {
    Window,
    Dialog,
    Label,
    Decoration,
    Pane,
    Fader,
    Meter,
    TrackBar,
    ComboBox,
    CheckBox,
    RadioButton,
    PushButton,
    ToggleButton,
  };
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
  // The value spoken after the name: the tool tip's reading of a fader, a
  // meter's level and held peak.
  std::string ValueText() const;
  Kind kind_;
  ReadOnlyText review_text_;
};

}  // namespace qt
