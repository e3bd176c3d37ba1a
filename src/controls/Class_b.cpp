#include "controls/Class_b.h"

#include "ui/classtraits.h"
#include "ui/layout.h"
#include "ui/stdclasses.h"

namespace controls {

void TExtSpeedButton::SetHintGerman(const std::string& s) {
  hint_german_ = s;
  SetHint(s);
}

void TExtSpeedButton::SetDown(bool v) {
  bool was_down = Down();
  ui::TSpeedButton::SetDown(v);
  // The framework's mouse-up presses the button through this setter; the
  // mouse-up override tells OnDown itself, after the click.
  if (!in_mouse_up_) NotifyIfPressed(was_down);
}

void TExtSpeedButton::MouseUp(ui::TMouseButton b, ui::TShiftState s, int x, int y) {
  bool was_down = Down();
  in_mouse_up_ = true;
  try {
    ui::TSpeedButton::MouseUp(b, s, x, y);
  } catch (...) {
    in_mouse_up_ = false;
    throw;
  }
  in_mouse_up_ = false;
  NotifyIfPressed(was_down);
}

void TExtSpeedButton::NotifyIfPressed(bool was_down) {
  if (Down() && !was_down && OnDown) OnDown(this);
}

bool TExtSpeedButton::SetProperty(const std::string& name, const ui::PropValue& v,
                                  ui::LayoutReader& r) {
  if (name == "OnDown")
    OnDown = r.Notify(v);
  else if (name == "HintGerman")
    SetHintGerman(v.AsString());
  else if (name == "HintEnglish")
    SetHintEnglish(v.AsString());
  else
    return TBilingual::SetProperty(name, v, r);
  return true;
}

namespace {

// Each is its plain control with captions in two languages, which only the
// layout reads: it is registered as its base.
void RegisterAll() {
  ui::RegisterStandardClasses();
  ui::RegisterTwin<TExtLabel, ui::TLabel>("TExtLabel");
  ui::RegisterTwin<TExtButton, ui::TButton>("TExtButton");
  ui::RegisterTwin<TExtCheckBox, ui::TCheckBox>("TExtCheckBox");
  ui::RegisterTwin<TExtRadioButton, ui::TRadioButton>("TExtRadioButton");
  ui::RegisterTwin<TExtGroupBox, ui::TGroupBox>("TExtGroupBox");
  ui::RegisterTwin<TExtSpeedButton, ui::TSpeedButton>("TExtSpeedButton");
}

}  // namespace

void RegisterBilingualClasses() {
  static const bool registered = (RegisterAll(), true);
  (void)registered;
}

}  // namespace controls
