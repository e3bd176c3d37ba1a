#include "settings/statehooks.h"

#include <functional>

#include "controls/Class_b.h"
#include "controls/audioctl32.h"
#include "settings/inifile.h"
#include "settings/winutils.h"
#include "ui/buttons.h"
#include "ui/classhooks.h"
#include "ui/comctrls.h"
#include "ui/extctrls.h"
#include "ui/stdctrls.h"

namespace settings {

namespace {

using Hooks = ui::ClassHooks<StateHooks>;

// Registers T with hooks written for T or one of its bases.
template <typename T, typename Load, typename Save>
void Add(Hooks& hooks, Load load, Save save) {
  hooks.Add<T>({[load](const TIniFile& ini, const std::string& section, ui::TComponent& c) {
                  load(ini, section, static_cast<T&>(c));
                },
                [save](TIniFile& ini, const std::string& section, const ui::TComponent& c) {
                  save(ini, section, static_cast<const T&>(c));
                }});
}

// One value under the component's name, read and written by its type.
bool Read(const TIniFile& ini, const std::string& section, const std::string& key, bool v) {
  return ini.ReadBool(section, key, v);
}
int Read(const TIniFile& ini, const std::string& section, const std::string& key, int v) {
  return ini.ReadInteger(section, key, v);
}
std::string Read(const TIniFile& ini, const std::string& section, const std::string& key,
                 const std::string& v) {
  return ini.ReadString(section, key, v);
}
void Write(TIniFile& ini, const std::string& section, const std::string& key, bool v) {
  ini.WriteBool(section, key, v);
}
void Write(TIniFile& ini, const std::string& section, const std::string& key, int v) {
  ini.WriteInteger(section, key, v);
}
void Write(TIniFile& ini, const std::string& section, const std::string& key,
           const std::string& v) {
  ini.WriteString(section, key, v);
}

// A component that keeps one property: loading sets it (the setter runs the
// control's action) from the stored value, the current one by default.
template <typename T, typename Get, typename Set>
void AddValue(Hooks& hooks, Get get, Set set) {
  Add<T>(
      hooks,
      [get, set](const TIniFile& ini, const std::string& section, T& c) {
        std::invoke(set, c, Read(ini, section, c.Name(), std::invoke(get, c)));
      },
      [get](TIniFile& ini, const std::string& section, const T& c) {
        Write(ini, section, c.Name(), std::invoke(get, c));
      });
}

// A loaded speed button runs its click, whether Down changed or not.
void SetDownAndClick(ui::TSpeedButton& button, bool down) {
  button.SetDown(down);
  if (button.OnClick) button.OnClick(&button);
}

// A page index that names no page leaves the page as it is; an active page
// that is not among the pages stops the save (the silent abort).
int PageIndex(const ui::TPageControl& pages) {
  return IndexOfPage(pages, pages.ActivePage());
}
void SetPageIndex(ui::TPageControl& pages, int i) {
  if (ui::TTabSheet* page = PageOfIndex(pages, i)) pages.SetActivePage(page);
}

Hooks MakeHooks() {
  Hooks hooks;
  AddValue<ui::TCheckBox>(hooks, &ui::TCheckBox::Checked, &ui::TCheckBox::SetChecked);
  AddValue<controls::TExtCheckBox>(hooks, &ui::TCheckBox::Checked, &ui::TCheckBox::SetChecked);
  AddValue<ui::TSpeedButton>(hooks, &ui::TSpeedButton::Down, SetDownAndClick);
  AddValue<controls::TExtSpeedButton>(hooks, &ui::TSpeedButton::Down, SetDownAndClick);
  AddValue<ui::TPanel>(hooks, &ui::TPanel::Visible, &ui::TPanel::SetVisible);
  AddValue<ui::TEdit>(hooks, &ui::TEdit::Text, &ui::TEdit::SetText);
  AddValue<controls::TSlider>(hooks, &controls::TSlider::Position, &controls::TSlider::SetPosition);
  AddValue<ui::TComboBox>(hooks, &ui::TComboBox::ItemIndex, &ui::TComboBox::SetItemIndex);
  // The page index is read with 0, not the current page, as its default.
  Add<ui::TPageControl>(
      hooks,
      [](const TIniFile& ini, const std::string& section, ui::TPageControl& pages) {
        SetPageIndex(pages, ini.ReadInteger(section, pages.Name(), 0));
      },
      [](TIniFile& ini, const std::string& section, const ui::TPageControl& pages) {
        ini.WriteInteger(section, pages.Name(), PageIndex(pages));
      });
  return hooks;
}

}  // namespace

const StateHooks* StateHooksOf(const ui::TComponent& c) {
  static const Hooks hooks = MakeHooks();
  return hooks.Find(c);
}

}  // namespace settings
