#include "settings/clonehooks.h"

#include "controls/Class_b.h"
#include "controls/audioctl32.h"
#include "ui/buttons.h"
#include "ui/classhooks.h"
#include "ui/extctrls.h"
#include "ui/stdctrls.h"

namespace settings {

namespace {

using Hooks = ui::ClassHooks<CloneHooks>;

// Registers the source class From, whose copy is a Copy made by fill (written
// for From or a base of it). A bilingual label, button, check box or group
// box is copied as the plain control.
template <typename From, typename Copy, typename Fill>
void Add(Hooks& hooks, Fill fill, bool container = false) {
  hooks.Add<From>({[fill](const ui::TControl& from, ui::TComponent* owner) -> ui::TControl* {
                     auto* c = ui::Create<Copy>(owner);
                     fill(static_cast<const From&>(from), *c);
                     return c;
                   },
                   container});
}

void CopyLabel(const ui::TLabel& from, ui::TLabel& to) {
  to.SetCaption(from.Caption());
  to.SetFont(from.Font());
  to.SetAlignment(from.Alignment());
  to.SetAutoSize(from.AutoSize());
  to.SetTransparent(from.Transparent());
}

void CopyButton(const ui::TButton& from, ui::TButton& to) {
  to.SetCaption(from.Caption());
  to.SetFont(from.Font());
  to.SetHint(from.Hint());
  to.SetShowHint(from.ShowHint());
  to.OnClick = from.OnClick;
}

// Properties every check box, bilingual radio button and radio button copy takes.
template <typename T>
void CopyCheckLike(const T& from, T& to) {
  to.SetCaption(from.Caption());
  to.SetFont(from.Font());
  to.SetChecked(from.Checked());  // before the handlers: the copy runs no click
  to.OnClick = from.OnClick;
  to.OnMouseDown = from.OnMouseDown;
  to.OnMouseUp = from.OnMouseUp;
  to.SetHint(from.Hint());
  to.SetShowHint(from.ShowHint());
}

// Speed buttons: the group comes before Down, since a button outside any
// group cannot stay down.
void CopySpeedButton(const ui::TSpeedButton& from, ui::TSpeedButton& to) {
  to.SetCaption(from.Caption());
  to.SetFont(from.Font());
  to.SetAllowAllUp(from.AllowAllUp());
  to.SetGroupIndex(from.GroupIndex());
  to.SetDown(from.Down());
  to.OnClick = from.OnClick;
  to.OnDblClick = from.OnDblClick;
  to.OnMouseDown = from.OnMouseDown;
  to.OnMouseUp = from.OnMouseUp;
  to.CopyLook(from);
  to.SetHint(from.Hint());
  to.SetShowHint(from.ShowHint());
}

void CopySlider(const controls::TSlider& from, controls::TSlider& to) {
  to.SetBtnHeight(from.BtnHeight());
  to.SetBtnWidth(from.BtnWidth());
  to.SetMax(from.Max());
  to.SetMin(from.Min());
  to.SetMoveRestriction(from.MoveRestriction());
  to.SetNumber(from.Number());
  to.SetPosition(from.Position());
  to.OnChange = from.OnChange;  // LinkCheck stays empty: the window assigns it
}

void CopyLevelMeter(const controls::TLevelMeter& from, controls::TLevelMeter& to) {
  to.SetNumLumisOrange(from.NumLumisOrange());
  to.SetNumLumisRed(from.NumLumisRed());
  to.SetLumiColor(from.LumiColor());
  to.SetLumiHeight(from.LumiHeight());
  to.SetTimerEnable(from.TimerEnable());
  to.SetTimerInterval(from.TimerInterval());
  to.SetOn(from.GetOn());
  to.SetLevelMax(from.GetLevelMax());
  to.SetLevelMaxHold(from.LevelMaxHold());
  to.SetLevel(from.Level());
}

void CopyPanel(const ui::TPanel& from, ui::TPanel& to) {
  to.SetCaption(from.Caption());
  to.SetParentColor(from.ParentColor());
  to.SetFont(from.Font());
  to.SetAlignment(from.Alignment());
  to.SetBevelInner(from.BevelInner());
  to.SetBevelOuter(from.BevelOuter());
  to.SetBevelWidth(from.BevelWidth());
}

void CopyGroupBox(const ui::TGroupBox& from, ui::TGroupBox& to) {
  to.SetAlign(from.Align());
  to.SetCaption(from.Caption());
  to.SetFont(from.Font());
}

Hooks MakeHooks() {
  Hooks hooks;
  Add<ui::TLabel, ui::TLabel>(hooks, CopyLabel);
  Add<controls::TExtLabel, ui::TLabel>(hooks, CopyLabel);
  Add<ui::TButton, ui::TButton>(hooks, CopyButton);
  Add<controls::TExtButton, ui::TButton>(hooks, CopyButton);
  // The extended copy keeps its OnDown; the plain one its visibility.
  Add<controls::TExtSpeedButton, controls::TExtSpeedButton>(
      hooks, [](const controls::TExtSpeedButton& from, controls::TExtSpeedButton& to) {
        CopySpeedButton(from, to);
        to.OnDown = from.OnDown;
      });
  Add<ui::TSpeedButton, ui::TSpeedButton>(hooks,
                                          [](const ui::TSpeedButton& from, ui::TSpeedButton& to) {
                                            CopySpeedButton(from, to);
                                            to.SetVisible(from.Visible());
                                          });
  Add<ui::TCheckBox, ui::TCheckBox>(hooks, CopyCheckLike<ui::TCheckBox>);
  Add<controls::TExtCheckBox, ui::TCheckBox>(hooks, CopyCheckLike<ui::TCheckBox>);
  Add<controls::TExtRadioButton, controls::TExtRadioButton>(hooks, CopyCheckLike<ui::TRadioButton>);
  Add<ui::TRadioButton, ui::TRadioButton>(hooks, CopyCheckLike<ui::TRadioButton>);
  Add<controls::TSlider, controls::TSlider>(hooks, CopySlider);
  Add<controls::TLevelMeter, controls::TLevelMeter>(hooks, CopyLevelMeter);
  Add<ui::TPanel, ui::TPanel>(hooks, CopyPanel, true);
  // A bar graph that is no level meter is copied as its empty panel.
  Add<controls::TBarGraph, ui::TPanel>(hooks, CopyPanel);
  Add<ui::TGroupBox, ui::TGroupBox>(hooks, CopyGroupBox, true);
  Add<controls::TExtGroupBox, ui::TGroupBox>(hooks, CopyGroupBox, true);
  Add<ui::TBevel, ui::TBevel>(hooks, [](const ui::TBevel& from, ui::TBevel& to) {
    to.SetAlign(from.Align());
    to.SetShape(from.Shape());
    to.SetStyle(from.Style());
  });
  return hooks;
}

}  // namespace

const CloneHooks* CloneHooksOf(const ui::TComponent& c) {
  static const Hooks hooks = MakeHooks();
  return hooks.Find(c);
}

}  // namespace settings
