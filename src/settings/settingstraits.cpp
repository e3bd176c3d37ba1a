#include "settings/settingstraits.h"

#include <functional>

#include "controls/Class_b.h"
#include "controls/audioctl32.h"
#include "settings/inifile.h"
#include "settings/winutils.h"
#include "ui/buttons.h"
#include "ui/classtraits.h"
#include "ui/comctrls.h"
#include "ui/extctrls.h"
#include "ui/form.h"
#include "ui/stdctrls.h"

namespace settings {

namespace {

// ---- what is stored

StateFacet NotStored() {
  return {};
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

// A component of class T (or a base of it) kept by load and save.
template <typename T, typename Load, typename Save>
StateFacet Stored(Load load, Save save) {
  return {[load](const TIniFile& ini, const std::string& section, ui::TComponent& c) {
            load(ini, section, static_cast<T&>(c));
          },
          [save](TIniFile& ini, const std::string& section, const ui::TComponent& c) {
            save(ini, section, static_cast<const T&>(c));
          }};
}

// A component that keeps one property: loading sets it (the setter runs the
// control's action) from the stored value, the current one by default.
template <typename T, typename Get, typename Set>
StateFacet StoredValue(Get get, Set set) {
  return Stored<T>(
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
// that is not among the pages stops the save (the silent abort). The index
// is read with 0, not the current page, as its default.
StateFacet PageIndexStored() {
  return Stored<ui::TPageControl>(
      [](const TIniFile& ini, const std::string& section, ui::TPageControl& pages) {
        if (ui::TTabSheet* page = PageOfIndex(pages, ini.ReadInteger(section, pages.Name(), 0)))
          pages.SetActivePage(page);
      },
      [](TIniFile& ini, const std::string& section, const ui::TPageControl& pages) {
        ini.WriteInteger(section, pages.Name(), IndexOfPage(pages, pages.ActivePage()));
      });
}

// ---- how a copy is made

CloneFacet NotCloned() {
  return {};
}

// A source of class From whose copy is a Copy made by fill (written for From
// or a base of it). A bilingual label, button, check box or group box is
// copied as the plain control.
template <typename From, typename Copy, typename Fill>
CloneFacet Cloned(Fill fill, bool container = false) {
  return {[fill](const ui::TControl& from, ui::TComponent* owner) -> ui::TControl* {
            auto* c = ui::Create<Copy>(owner);
            fill(static_cast<const From&>(from), *c);
            return c;
          },
          container};
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

void CopyBevel(const ui::TBevel& from, ui::TBevel& to) {
  to.SetAlign(from.Align());
  to.SetShape(from.Shape());
  to.SetStyle(from.Style());
}

// Neither stored nor cloned.
template <typename... T>
void Neither() {
  (ui::TraitsOfClass<T>().Set(NotStored()).Set(NotCloned()), ...);
}

template <typename T>
void Add(StateFacet state, CloneFacet clone) {
  ui::TraitsOfClass<T>().Set(std::move(state)).Set(std::move(clone));
}

void RegisterAll() {
  using ui::TCheckBox, ui::TSpeedButton, ui::TRadioButton;
  controls::RegisterControlClasses();
  Neither<ui::TComponent, ui::TWinControl, ui::TForm, ui::TListBox, ui::TImage, ui::TShape,
          ui::TScrollBox, ui::TTrackBar, ui::TTabSheet, controls::TLumi>();
  Add<ui::TLabel>(NotStored(), Cloned<ui::TLabel, ui::TLabel>(CopyLabel));
  Add<ui::TButton>(NotStored(), Cloned<ui::TButton, ui::TButton>(CopyButton));
  Add<TCheckBox>(StoredValue<TCheckBox>(&TCheckBox::Checked, &TCheckBox::SetChecked),
                 Cloned<TCheckBox, TCheckBox>(CopyCheckLike<TCheckBox>));
  Add<TRadioButton>(NotStored(), Cloned<TRadioButton, TRadioButton>(CopyCheckLike<TRadioButton>));
  Add<ui::TEdit>(StoredValue<ui::TEdit>(&ui::TEdit::Text, &ui::TEdit::SetText), NotCloned());
  Add<ui::TComboBox>(
      StoredValue<ui::TComboBox>(&ui::TComboBox::ItemIndex, &ui::TComboBox::SetItemIndex),
      NotCloned());
  Add<ui::TGroupBox>(NotStored(), Cloned<ui::TGroupBox, ui::TGroupBox>(CopyGroupBox, true));
  Add<ui::TPanel>(StoredValue<ui::TPanel>(&ui::TPanel::Visible, &ui::TPanel::SetVisible),
                  Cloned<ui::TPanel, ui::TPanel>(CopyPanel, true));
  Add<ui::TBevel>(NotStored(), Cloned<ui::TBevel, ui::TBevel>(CopyBevel));
  // The plain copy keeps its visibility.
  Add<TSpeedButton>(
      StoredValue<TSpeedButton>(&TSpeedButton::Down, SetDownAndClick),
      Cloned<TSpeedButton, TSpeedButton>([](const TSpeedButton& from, TSpeedButton& to) {
        CopySpeedButton(from, to);
        to.SetVisible(from.Visible());
      }));
  Add<ui::TPageControl>(PageIndexStored(), NotCloned());
  Add<controls::TSlider>(
      StoredValue<controls::TSlider>(&controls::TSlider::Position, &controls::TSlider::SetPosition),
      Cloned<controls::TSlider, controls::TSlider>(CopySlider));
  // A bar graph that is no level meter is copied as its empty panel.
  Add<controls::TBarGraph>(NotStored(), Cloned<controls::TBarGraph, ui::TPanel>(CopyPanel));
  Add<controls::TLevelMeter>(NotStored(),
                             Cloned<controls::TLevelMeter, controls::TLevelMeter>(CopyLevelMeter));
  // The bilingual radio and speed buttons are copied as themselves; the
  // speed button keeps its OnDown but not its visibility.
  ui::TraitsOfClass<controls::TExtRadioButton>().Set(
      Cloned<controls::TExtRadioButton, controls::TExtRadioButton>(CopyCheckLike<TRadioButton>));
  ui::TraitsOfClass<controls::TExtSpeedButton>().Set(
      Cloned<controls::TExtSpeedButton, controls::TExtSpeedButton>(
          [](const controls::TExtSpeedButton& from, controls::TExtSpeedButton& to) {
            CopySpeedButton(from, to);
            to.OnDown = from.OnDown;
          }));
}

}  // namespace

void RegisterSettingsTraits() {
  static const bool registered = (RegisterAll(), true);
  (void)registered;
}

const StateFacet* StateFacetOf(const ui::TComponent& c) {
  RegisterSettingsTraits();
  const StateFacet* f = ui::FacetOf<StateFacet>(c);
  return f && f->load ? f : nullptr;
}

const CloneFacet* CloneFacetOf(const ui::TComponent& c) {
  RegisterSettingsTraits();
  const CloneFacet* f = ui::FacetOf<CloneFacet>(c);
  return f && f->copy ? f : nullptr;
}

}  // namespace settings
