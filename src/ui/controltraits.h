#pragma once
// The framework's own facets of a control class (ui/classtraits.h): which
// of the widgetset's peers shows it, and what a user who does not look at it
// meets: a screen reader, or a controller from outside the program. Both read
// the model through the same accessors and act only as the user's own click
// or drag, so handlers, driver messages and the fader link rule run as for a
// user at the mouse.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "ui/classtraits.h"
#include "ui/control.h"
#include "ui/widgetset.h"

namespace ui {

// Which of the widgetset's peers shows the class: the PeerMaker overload of
// a kind of control. Null make: no peer.
struct PeerFacet {
  std::unique_ptr<Peer> (*make)(PeerMaker&, TControl&) = nullptr;
};

// A class T shown by the peer the widgetset makes for its kind K (T or a base).
template <typename T, typename K = T>
PeerFacet PeerAs() {
  static_assert(std::is_base_of_v<K, T>);
  return {[](PeerMaker& m, TControl& c) { return m.Make(static_cast<K&>(c)); }};
}
inline PeerFacet NoPeer() {
  return {};
}
// The peer for c from maker m; null when its class has none.
std::unique_ptr<Peer> MakePeer(PeerMaker& m, TControl& c);

// What a control is to its user.
enum class ControlKind {
  Window,
  Dialog,
  Pane,        // a windowed area that holds controls
  Group,       // a captioned frame round controls
  ScrollArea,  // a scrolling area
  Label,
  Decoration,  // a bevel, a shape, a picture
  Edit,
  ListBox,
  ComboBox,
  CheckBox,
  RadioButton,
  PushButton,
  ToggleButton,  // a button that stays down until pressed again or released by its group
  Fader,
  TrackBar,
  Meter,  // a level, read only
};

// A control's value on its own scale.
struct Reading {
  double value = 0;
  double min = 0;
  double max = 0;
  // The smallest change a user can make (a fader: one pixel of its travel).
  double step = 1;
  // A meter's held peak, when it holds one.
  std::optional<double> peak;
};

// Everything is optional except kind: a control without a state, a value or
// an action leaves the member empty.
struct UserFacet {
  // May depend on the control's state (a form's border, a speed button's group).
  std::function<ControlKind(const TControl&)> kind;
  // The part a user takes hold of when it is not the control itself (a
  // fader's thumb): it holds the focus and stands for the control.
  std::function<TControl*(const TControl&)> handle;
  // A box's or radio button's check, a speed button's Down.
  std::function<bool(const TControl&)> checked;
  std::function<Reading(const TControl&)> reading;
  // The value as the control shows it to the eye (a fader's scale, the
  // chosen item).
  std::function<std::string(const TControl&)> value_text;
  // The number the windows give the control (a fader's Number: its driver
  // channel plus one); 0 for none.
  std::function<int(const TControl&)> number;
  // The box whose check ties the control to its pair (a fader's link box).
  std::function<TControl*(const TControl&)> link;
  // The user presses or toggles it: a click (a speed button: pressed and
  // released at its middle, as the mouse or Space does).
  std::function<void(TControl&)> press;
  // The user sets the value: a drag to its place, as the mouse would drag it
  // (nothing happens on a disabled control).
  std::function<void(TControl&, double)> set_value;
  // The value on the scale a user reads beside the control, where that is
  // not the value itself (a fader: its reading in dB, to a tenth): value,
  // ends and smallest step in the scale's units.
  std::function<Reading(const TControl&)> scale;
  // The user sets the value on that scale: a drag to the place that reads
  // nearest.
  std::function<void(TControl&, double)> set_on_scale;
};

// A control of the given kind with nothing more to it: only seen.
UserFacet ShownAs(ControlKind kind);

// The user facet of c's class, an empty one (a decoration) when none states one.
const UserFacet& UserFacetOf(const TControl& c);
// The kind of control c is.
ControlKind KindOf(const TControl& c);
// The control whose handle c is (a fader, for its thumb); null for none.
TControl* HandleOwner(const TControl& c);
// c as a control; null for a component that is none.
TControl* AsControl(TComponent* c);

}  // namespace ui
