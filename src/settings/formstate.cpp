#include "settings/formstate.h"

#include <algorithm>
#include <vector>

#include "controls/audioctl32.h"
#include "settings/inifile.h"
#include "settings/pumps.h"
#include "settings/winutils.h"
#include "ui/application.h"
#include "ui/buttons.h"
#include "ui/comctrls.h"
#include "ui/extctrls.h"
#include "ui/safeptr.h"
#include "ui/stdctrls.h"

namespace settings {

namespace {

bool Selected(const ui::TComponent& c, std::int32_t mask) {
  return !c.Name().empty() && (c.Tag() & mask) == mask;
}

// Faders and meters are panels underneath, yet neither is stored as one.
bool IsPlainPanel(ui::TComponent* c) {
  return dynamic_cast<ui::TPanel*>(c) && !dynamic_cast<controls::TSlider*>(c) &&
         !dynamic_cast<controls::TBarGraph*>(c);
}

void LoadComponent(const TIniFile& ini, const std::string& section, ui::TComponent* c) {
  const std::string& key = c->Name();
  if (auto* box = dynamic_cast<ui::TCheckBox*>(c)) {
    box->SetChecked(ini.ReadBool(section, key, box->Checked()));
  } else if (IsPlainPanel(c)) {
    auto* panel = static_cast<ui::TPanel*>(c);
    panel->SetVisible(ini.ReadBool(section, key, panel->Visible()));
  } else if (auto* edit = dynamic_cast<ui::TEdit*>(c)) {
    edit->SetText(ini.ReadString(section, key, edit->Text()));
  } else if (auto* pages = dynamic_cast<ui::TPageControl*>(c)) {
    // An index that names no page leaves the page as it is.
    if (ui::TTabSheet* page = PageOfIndex(*pages, ini.ReadInteger(section, key, 0)))
      pages->SetActivePage(page);
  } else if (auto* button = dynamic_cast<ui::TSpeedButton*>(c)) {
    button->SetDown(ini.ReadBool(section, key, button->Down()));
    if (button->OnClick) button->OnClick(button);
  } else if (auto* slider = dynamic_cast<controls::TSlider*>(c)) {
    slider->SetPosition(ini.ReadInteger(section, key, slider->Position()));
  } else if (auto* combo = dynamic_cast<ui::TComboBox*>(c)) {
    combo->SetItemIndex(ini.ReadInteger(section, key, combo->ItemIndex()));
  }
}

void SaveComponent(TIniFile& ini, const std::string& section, ui::TComponent* c) {
  const std::string& key = c->Name();
  if (auto* box = dynamic_cast<ui::TCheckBox*>(c)) {
    ini.WriteBool(section, key, box->Checked());
  } else if (IsPlainPanel(c)) {
    ini.WriteBool(section, key, static_cast<ui::TPanel*>(c)->Visible());
  } else if (auto* edit = dynamic_cast<ui::TEdit*>(c)) {
    ini.WriteString(section, key, edit->Text());
  } else if (auto* pages = dynamic_cast<ui::TPageControl*>(c)) {
    ini.WriteInteger(section, key, IndexOfPage(*pages, pages->ActivePage()));
  } else if (auto* button = dynamic_cast<ui::TSpeedButton*>(c)) {
    ini.WriteBool(section, key, button->Down());
  } else if (auto* slider = dynamic_cast<controls::TSlider*>(c)) {
    ini.WriteInteger(section, key, slider->Position());
  } else if (auto* combo = dynamic_cast<ui::TComboBox*>(c)) {
    ini.WriteInteger(section, key, combo->ItemIndex());
  }
}

}  // namespace

void LoadWindowState(ui::TForm& form, const std::string& file_name, const std::string& suffix,
                     std::int32_t tag_mask, bool geometry) {
  const TIniFile ini(file_name);
  const std::string section = form.Caption() + suffix;
  // The controls' actions, and the pump after each, may create or free
  // components of this form (the control window owns the mixer windows it
  // opens) or the form itself; so the components are taken as they are now,
  // held weakly, and whatever is gone by its turn is passed over.
  const ui::TSafePtr<ui::TForm> alive(&form);
  const std::vector<ui::TSafePtr<ui::TComponent>> components(form.ComponentList().begin(),
                                                             form.ComponentList().end());
  for (ui::TComponent* c : components) {
    if (!c || !Selected(*c, tag_mask)) continue;
    LoadComponent(ini, section, c);
    pumps::AfterLoadingComponent();
  }
  if (!geometry || !alive) return;
  form.SetTop(ini.ReadInteger(section, "Top", form.Top()));
  form.SetLeft(ini.ReadInteger(section, "Left", form.Left()));
  form.SetWidth(ini.ReadInteger(section, "Width", form.Width()));
  form.SetHeight(ini.ReadInteger(section, "Height", form.Height()));
  form.SetShowHint(ini.ReadBool(section, "Hints", form.ShowHint()));
}

void SaveWindowState(ui::TForm& form, const std::string& file_name, const std::string& suffix,
                     std::int32_t tag_mask, bool geometry) {
  TIniFile ini(file_name);
  const std::string section = form.Caption() + suffix;
  try {
    for (ui::TComponent* c : form.ComponentList()) {
      if (Selected(*c, tag_mask)) SaveComponent(ini, section, c);
    }
  } catch (const ui::EAbort&) {
    ini.UpdateFile();  // what was written before the page control stays
    throw;
  }
  if (geometry) {
    ini.WriteInteger(section, "Top", form.Top());
    ini.WriteInteger(section, "Left", form.Left());
    ini.WriteInteger(section, "Width", form.Width());
    ini.WriteInteger(section, "Height", form.Height());
    ini.WriteInteger(section, "Hints", form.ShowHint() ? 1 : 0);
  }
  ini.UpdateFile();
}

bool SaveWindowStateOrReport(ui::TForm& form, const std::string& file_name,
                             const std::string& suffix, std::int32_t tag_mask, bool geometry) {
  try {
    SaveWindowState(form, file_name, suffix, tag_mask, geometry);
    return true;
  } catch (const ui::EIniFileException& e) {
    if (ui::TApplication* app = ui::Application()) app->ReportOnce(e);
    return false;
  }
}

}  // namespace settings
