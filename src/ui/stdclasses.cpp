#include "ui/stdclasses.h"

#include <algorithm>
#include <cmath>

#include "ui/buttons.h"
#include "ui/comctrls.h"
#include "ui/controltraits.h"
#include "ui/extctrls.h"
#include "ui/form.h"
#include "ui/stdctrls.h"
#include "ui/useractions.h"

namespace ui {

namespace {

// A box, a button: what a click does, and the check it shows.
template <typename T>
UserFacet Pressed(ControlKind kind, bool (T::*checked)() const = nullptr) {
  UserFacet f = ShownAs(kind);
  if (checked)
    f.checked = [checked](const TControl& c) { return (static_cast<const T&>(c).*checked)(); };
  f.press = [](TControl& c) { user::Click(&c); };
  return f;
}

UserFacet FormFacet() {
  UserFacet f;
  f.kind = [](const TControl& c) {
    return static_cast<const TForm&>(c).BorderStyle() == TFormBorderStyle::bsDialog
               ? ControlKind::Dialog
               : ControlKind::Window;
  };
  return f;
}

// A speed button that stays down (in a group, or one that a click releases)
// is a toggle; one that springs back is pressed.
UserFacet SpeedButtonFacet() {
  UserFacet f = Pressed<TSpeedButton>(ControlKind::PushButton, &TSpeedButton::Down);
  f.kind = [](const TControl& c) {
    auto& b = static_cast<const TSpeedButton&>(c);
    return b.GroupIndex() > 0 || b.AllowAllUp() ? ControlKind::ToggleButton
                                                : ControlKind::PushButton;
  };
  return f;
}

UserFacet ComboBoxFacet() {
  UserFacet f = ShownAs(ControlKind::ComboBox);
  f.value_text = [](const TControl& c) {
    auto& box = static_cast<const TComboBox&>(c);
    const int i = box.ItemIndex();
    return i >= 0 && i < box.Count() ? box.Items()[i] : std::string();
  };
  return f;
}

// A track bar's value is set as its widget sets it: the position, clamped.
UserFacet TrackBarFacet() {
  UserFacet f = ShownAs(ControlKind::TrackBar);
  f.reading = [](const TControl& c) {
    auto& b = static_cast<const TTrackBar&>(c);
    Reading r;
    r.value = b.Position();
    r.min = b.Min();
    r.max = b.Max();
    return r;
  };
  f.value_text = [](const TControl& c) {
    return std::to_string(static_cast<const TTrackBar&>(c).Position());
  };
  f.set_value = [](TControl& c, double v) {
    auto& b = static_cast<TTrackBar&>(c);
    const int pos = std::clamp(static_cast<int>(std::lround(v)), b.Min(), b.Max());
    if (b.Enabled() && pos != b.Position()) b.SetPosition(pos);
  };
  return f;
}

void RegisterAll() {
  TraitsOfClass<TComponent>().Set(NoPeer()).Set(ShownAs(ControlKind::Decoration));
  RegisterClass<TWinControl, TComponent>("TWinControl")
      .Set(PeerAs<TWinControl>())
      .Set(ShownAs(ControlKind::Pane));
  RegisterClass<TForm, TWinControl>("TForm").Set(PeerAs<TForm>()).Set(FormFacet());

  RegisterLayoutClass<TLabel, TComponent>("TLabel")
      .Set(PeerAs<TLabel>())
      .Set(ShownAs(ControlKind::Label));
  RegisterLayoutClass<TButton, TWinControl>("TButton")
      .Set(PeerAs<TButton>())
      .Set(Pressed<TButton>(ControlKind::PushButton));
  RegisterLayoutClass<TCheckBox, TWinControl>("TCheckBox")
      .Set(PeerAs<TCheckBox>())
      .Set(Pressed(ControlKind::CheckBox, &TCheckBox::Checked));
  RegisterLayoutClass<TRadioButton, TWinControl>("TRadioButton")
      .Set(PeerAs<TRadioButton>())
      .Set(Pressed(ControlKind::RadioButton, &TRadioButton::Checked));
  RegisterLayoutClass<TEdit, TWinControl>("TEdit")
      .Set(PeerAs<TEdit>())
      .Set(ShownAs(ControlKind::Edit));
  RegisterLayoutClass<TListBox, TWinControl>("TListBox")
      .Set(PeerAs<TListBox>())
      .Set(ShownAs(ControlKind::ListBox));
  RegisterLayoutClass<TComboBox, TWinControl>("TComboBox")
      .Set(PeerAs<TComboBox>())
      .Set(ComboBoxFacet());
  RegisterLayoutClass<TGroupBox, TWinControl>("TGroupBox")
      .Set(PeerAs<TGroupBox>())
      .Set(ShownAs(ControlKind::Group));
  RegisterLayoutClass<TPanel, TWinControl>("TPanel")
      .Set(PeerAs<TPanel, TWinControl>())
      .Set(ShownAs(ControlKind::Pane));
  RegisterLayoutClass<TBevel, TComponent>("TBevel")
      .Set(PeerAs<TBevel>())
      .Set(ShownAs(ControlKind::Decoration));
  RegisterLayoutClass<TImage, TComponent>("TImage")
      .Set(PeerAs<TImage>())
      .Set(ShownAs(ControlKind::Decoration));
  RegisterLayoutClass<TShape, TComponent>("TShape")
      .Set(PeerAs<TShape>())
      .Set(ShownAs(ControlKind::Decoration));
  RegisterLayoutClass<TScrollBox, TWinControl>("TScrollBox")
      .Set(PeerAs<TScrollBox>())
      .Set(ShownAs(ControlKind::ScrollArea));
  RegisterLayoutClass<TSpeedButton, TComponent>("TSpeedButton")
      .Set(PeerAs<TSpeedButton>())
      .Set(SpeedButtonFacet());
  RegisterLayoutClass<TTrackBar, TWinControl>("TTrackBar")
      .Set(PeerAs<TTrackBar>())
      .Set(TrackBarFacet());
  RegisterLayoutClass<TPageControl, TWinControl>("TPageControl")
      .Set(PeerAs<TPageControl, TWinControl>())
      .Set(ShownAs(ControlKind::Pane));
  RegisterLayoutClass<TTabSheet, TWinControl>("TTabSheet")
      .Set(PeerAs<TTabSheet, TWinControl>())
      .Set(ShownAs(ControlKind::Pane));
}

}  // namespace

void RegisterStandardClasses() {
  static const bool registered = (RegisterAll(), true);
  (void)registered;
}

}  // namespace ui
