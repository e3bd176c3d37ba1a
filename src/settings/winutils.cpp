#include "settings/winutils.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/windowing.h"
#include "settings/settingstraits.h"
#include "ui/application.h"
#include "ui/stdctrls.h"

namespace settings {

namespace {

constexpr UINT kFirstControlCommand = 0x100;
constexpr UINT kFirstSystemCommand = 0xF000;

template <typename T>
T* As(ui::TControl* c) {
  return dynamic_cast<T*>(c);
}

// No message is handled while a strip is copied: the copies are not in the
// window yet, and nothing may free the source meanwhile.
void CloneInto(ui::TWinControl* source, ui::TWinControl* dest, int dx, int dy,
               const TAdjustAction& adjust, ui::TForm* form, ui::TComponent* owner) {
  std::vector<ui::TControl*> copies;
  for (ui::TControl* child : source->ControlList()) {
    if (child->Name().empty()) continue;
    const CloneFacet* hooks = CloneFacetOf(*child);
    if (!hooks) {
      throw ui::EComponentError("CloneComponents: Komponentenklasse von " + child->Name() +
                                " nicht implementiert.");
    }
    ui::TControl* copy = hooks->copy(*child, owner);
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
    if (adjusted == copy && hooks->container) {
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
