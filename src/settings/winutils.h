#pragma once
// Window utilities shared by every mixer window: copying a card strip for
// further cards, the view options in the system menu, topmost placement,
// closing a window held in a slot, and the page routines of the settings
// code.
#include <functional>

#include "ui/comctrls.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/safeptr.h"
#include "ui/wintypes.h"

namespace settings {

// Called for every copy before it is inserted; may rename or renumber the
// control, or set it to null so that the copy is not inserted.
using TAdjustAction = std::function<void(ui::TForm& form, ui::TControl*& control)>;

// Copies every named child of source (recursively through panels and group
// boxes) into dest, shifted by dx, dy at the top level. Copies are owned by
// the form that holds source and have no name unless adjust gives them one,
// so a container may be cloned into itself once per further card. form is
// handed to adjust (null: the source's form). Raises ui::EComponentError for
// a kind that cannot be copied.
void CloneComponents(ui::TWinControl* source, ui::TWinControl* dest, int dx,
                     const TAdjustAction& adjust = nullptr, ui::TForm* form = nullptr, int dy = 0);

// System-menu command that identifies a control within its window:
// 0x100 + the control's index among its owner's components (never 1 or 2,
// always below 0xF000). 0 for a control without an owner.
UINT CommandOf(const ui::TComponent* control);
// The component of form that CommandOf maps to command; null when none.
ui::TComponent* ControlOfCommand(const ui::TForm& form, UINT command);
// Command of the " Info..." item; no window acts on it.
inline constexpr UINT kAboutCommand = 0x00F0;
inline constexpr const char* kShowPanelItem = " Fenstersteuerung anzeigen";
inline constexpr const char* kAboutItem = " Info...";

// Appends the view options of option_panel's form to its system menu:
// separator, one item per check box on the panel (column by column, top to
// bottom), separator, " Fenstersteuerung anzeigen", separator, " Info...".
// about_box may be null. Returns the form's system menu handle.
HMENU BuildOptionMenu(ui::TWinControl* option_panel, ui::TForm* about_box);
// Rewrites the menu item of a check box (its caption and check mark) or of
// the option panel (visibility) in the system menu of the control's form.
void UpdateMenuCheck(ui::TControl* control);

// Places form above (or back among) the non-topmost windows without moving,
// sizing or activating it.
void SetTopmost(ui::TForm* form, bool topmost);

// Closes the window held in slot (its close handler runs, the slot still
// holding it), empties the slot and frees the window. Nothing happens for
// an empty slot. The window goes even when its close handler fails; the
// failure goes on to the caller. slot is a form pointer or a ui::TSafePtr
// to one.
template <typename Slot>
void CloseAndForget(Slot& slot) {
  ui::TForm* form = slot;
  if (!form) return;
  struct Forget {
    Slot& slot;
    ui::TSafePtr<ui::TForm> form;
    ~Forget() {
      slot = nullptr;
      if (ui::TForm* f = form) f->Free();
    }
  } forget{slot, form};
  form->Close();
}

// Page i of pages, or null when i is not a page index.
ui::TTabSheet* PageOfIndex(const ui::TPageControl& pages, int i);
// Index of page among the pages of pages; raises the silent abort
// (ui::Abort) when it is not one of them (or is null).
int IndexOfPage(const ui::TPageControl& pages, const ui::TTabSheet* page);

}  // namespace settings
