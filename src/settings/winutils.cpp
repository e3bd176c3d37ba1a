#include "settings/winutils.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "controls/Class_b.h"
#include "controls/audioctl32.h"
#include "platform/windowing.h"
#include "ui/application.h"
#include "ui/buttons.h"
#include "ui/extctrls.h"
#include "ui/stdctrls.h"

namespace settings {

namespace {

constexpr UINT kFirstControlCommand = 0x100;
constexpr UINT kFirstSystemCommand = 0xF000;

template <typename T>
T* As(ui::TControl* c) {
  return dynamic_cast<T*>(c);
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

// Creates the copy of child, owned by owner, with its kind's properties;
// null when the kind cannot be copied. The kinds are tested in this order.
ui::TControl* CopyOfKind(ui::TControl* child, ui::TComponent* owner) {
  if (auto* s = As<ui::TLabel>(child)) {
    auto* c = ui::Create<ui::TLabel>(owner);
    c->SetCaption(s->Caption());
    c->SetFont(s->Font());
    c->SetAlignment(s->Alignment());
    c->SetAutoSize(s->AutoSize());
    c->SetTransparent(s->Transparent());
    return c;
  }
  if (auto* s = As<ui::TButton>(child)) {
    auto* c = ui::Create<ui::TButton>(owner);
    c->SetCaption(s->Caption());
    c->SetFont(s->Font());
    c->SetHint(s->Hint());
    c->SetShowHint(s->ShowHint());
    c->OnClick = s->OnClick;
    return c;
  }
  if (auto* s = As<controls::TExtSpeedButton>(child)) {
    auto* c = ui::Create<controls::TExtSpeedButton>(owner);
    CopySpeedButton(*s, *c);
    c->OnDown = s->OnDown;
    return c;
  }
  if (auto* s = As<ui::TSpeedButton>(child)) {
    auto* c = ui::Create<ui::TSpeedButton>(owner);
    CopySpeedButton(*s, *c);
    c->SetVisible(s->Visible());
    return c;
  }
  if (auto* s = As<ui::TCheckBox>(child)) {
    auto* c = ui::Create<ui::TCheckBox>(owner);
    CopyCheckLike<ui::TCheckBox>(*s, *c);
    return c;
  }
  if (auto* s = As<controls::TExtRadioButton>(child)) {
    auto* c = ui::Create<controls::TExtRadioButton>(owner);
    CopyCheckLike<ui::TRadioButton>(*s, *c);
    return c;
  }
  if (auto* s = As<ui::TRadioButton>(child)) {
    auto* c = ui::Create<ui::TRadioButton>(owner);
    CopyCheckLike<ui::TRadioButton>(*s, *c);
    return c;
  }
  if (auto* s = As<controls::TSlider>(child)) {
    auto* c = ui::Create<controls::TSlider>(owner);
    CopySlider(*s, *c);
    return c;
  }
  if (auto* s = As<controls::TLevelMeter>(child)) {
    auto* c = ui::Create<controls::TLevelMeter>(owner);
    CopyLevelMeter(*s, *c);
    return c;
  }
  if (auto* s = As<ui::TPanel>(child)) {
    auto* c = ui::Create<ui::TPanel>(owner);
    CopyPanel(*s, *c);
    return c;
  }
  if (auto* s = As<ui::TGroupBox>(child)) {
    auto* c = ui::Create<ui::TGroupBox>(owner);
    c->SetAlign(s->Align());
    c->SetCaption(s->Caption());
    c->SetFont(s->Font());
    return c;
  }
  if (auto* s = As<ui::TBevel>(child)) {
    auto* c = ui::Create<ui::TBevel>(owner);
    c->SetAlign(s->Align());
    c->SetShape(s->Shape());
    c->SetStyle(s->Style());
    return c;
  }
  return nullptr;
}

bool IsContainerCopy(ui::TControl* c) {
  return (As<ui::TPanel>(c) && !As<controls::TSlider>(c) && !As<controls::TBarGraph>(c)) ||
         As<ui::TGroupBox>(c);
}

// No message is handled while a strip is copied: the copies are not in the
// window yet, and nothing may free the source meanwhile.
void CloneInto(ui::TWinControl* source, ui::TWinControl* dest, int dx, int dy,
               const TAdjustAction& adjust, ui::TForm* form, ui::TComponent* owner) {
  std::vector<ui::TControl*> copies;
  for (ui::TControl* child : source->ControlList()) {
    if (child->Name().empty()) continue;
    ui::TControl* copy = CopyOfKind(child, owner);
    if (!copy) {
      throw ui::EComponentError("CloneComponents: Komponentenklasse von " + child->Name() +
                                " nicht implementiert.");
    }
    copy->SetBounds(child->Left() + dx, child->Top() + dy, child->Width(), child->Height());
    copy->SetTag(child->Tag());
    ui::TControl* adjusted = copy;
    if (adjust && form) adjust(*form, adjusted);
    if (!adjusted) {
      // A dropped copy would otherwise stay in the form's component list
      // (meter lists, a running meter timer) without ever being shown.
      copy->Free();
      continue;
    }
    copies.push_back(adjusted);
    if (adjusted == copy && IsContainerCopy(child) && IsContainerCopy(copy)) {
      CloneInto(static_cast<ui::TWinControl*>(child), static_cast<ui::TWinControl*>(copy), 0, 0,
                adjust, form, owner);
    }
  }
  for (ui::TControl* c : copies) c->SetParent(dest);
}

ui::TForm* FormOf(const ui::TControl* c) {
  if (!c) return nullptr;
  if (ui::TForm* f = c->GetParentForm()) return f;
  return dynamic_cast<ui::TForm*>(c->Owner());
}

HMENU MenuOf(const ui::TControl* c) {
  ui::TForm* f = FormOf(c);
  return f ? GetSystemMenu(f->Handle(), FALSE) : nullptr;
}

}  // namespace

void CloneComponents(ui::TWinControl* source, ui::TWinControl* dest, int dx,
                     const TAdjustAction& adjust, ui::TForm* form, int dy) {
  if (!source || !dest) return;
  ui::TComponent* owner = source->GetParentForm();
  if (!owner) owner = source->Owner();
  if (!form) form = dynamic_cast<ui::TForm*>(owner);
  CloneInto(source, dest, dx, dy, adjust, form, owner);
}

UINT CommandOf(const ui::TComponent* control) {
  if (!control || !control->Owner()) return 0;
  const auto& list = control->Owner()->ComponentList();
  auto it = std::find(list.begin(), list.end(), control);
  if (it == list.end()) return 0;
  auto command = kFirstControlCommand + static_cast<UINT>(it - list.begin());
  return command < kFirstSystemCommand ? command : 0;
}

ui::TComponent* ControlOfCommand(const ui::TForm& form, UINT command) {
  if (command < kFirstControlCommand || command >= kFirstSystemCommand) return nullptr;
  int index = static_cast<int>(command - kFirstControlCommand);
  return index < form.ComponentCount() ? form.Components(index) : nullptr;
}

HMENU BuildOptionMenu(ui::TWinControl* option_panel, ui::TForm* /*about_box*/) {
  HMENU menu = MenuOf(option_panel);
  if (!menu) return nullptr;
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  std::vector<ui::TCheckBox*> boxes;
  for (ui::TControl* c : option_panel->ControlList())
    if (auto* box = As<ui::TCheckBox>(c)) boxes.push_back(box);
  auto key = [](const ui::TCheckBox* b) {
    return static_cast<std::int64_t>(b->Left()) * 65536 + b->Top();
  };
  std::stable_sort(boxes.begin(), boxes.end(),
                   [&](const ui::TCheckBox* a, const ui::TCheckBox* b) { return key(a) < key(b); });
  for (ui::TCheckBox* box : boxes) {
    AppendMenuA(menu, MF_STRING | (box->Checked() ? MF_CHECKED : MF_UNCHECKED), CommandOf(box),
                box->Caption().c_str());
  }
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING | (option_panel->Visible() ? MF_CHECKED : MF_UNCHECKED),
              CommandOf(option_panel), kShowPanelItem);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, kAboutCommand, kAboutItem);
  return menu;
}

void UpdateMenuCheck(ui::TControl* control) {
  HMENU menu = MenuOf(control);
  UINT command = CommandOf(control);
  if (!menu || command == 0) return;
  if (auto* box = As<ui::TCheckBox>(control)) {
    ModifyMenuA(menu, command,
                MF_BYCOMMAND | MF_STRING | (box->Checked() ? MF_CHECKED : MF_UNCHECKED), command,
                box->Caption().c_str());
  } else {
    ModifyMenuA(menu, command,
                MF_BYCOMMAND | MF_STRING | (control->Visible() ? MF_CHECKED : MF_UNCHECKED),
                command, kShowPanelItem);
  }
}

void SetTopmost(ui::TForm* form, bool topmost) {
  if (!form) return;
  SetWindowPos(form->Handle(), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

void CloseAndForgetForm(ui::TForm*& slot) {
  ui::TForm* form = slot;
  if (!form) return;
  form->Close();
  // Empty before destroying, so nothing reached from the window's
  // destruction finds it half gone in its slot.
  slot = nullptr;
  form->Free();
}

ui::TTabSheet* PageOfIndex(const ui::TPageControl& pages, int i) {
  if (i < 0 || i >= pages.PageCount()) return nullptr;
  return pages.Pages(i);
}

int IndexOfPage(const ui::TPageControl& pages, const ui::TTabSheet* page) {
  for (int i = 0; i < pages.PageCount(); ++i)
    if (pages.Pages(i) == page) return i;
  ui::Abort();
}

}  // namespace settings
