#include "settings/formstate.h"

#include <vector>

#include "settings/inifile.h"
#include "settings/pumps.h"
#include "settings/settingstraits.h"
#include "ui/application.h"
#include "ui/safeptr.h"

namespace settings {

namespace {

bool Selected(const ui::TComponent& c, std::int32_t mask) {
  return !c.Name().empty() && (c.Tag() & mask) == mask;
}

}  // namespace

void LoadWindowState(ui::TForm& form, const std::string& file_name, const std::string& suffix,
                     std::int32_t tag_mask, bool geometry) {
  const TIniFile ini(file_name);
  // The controls keep their state, as with a missing file, but the user is
  // told that these are not the stored settings.
  if (!ini.Readable()) {
    if (ui::TApplication* app = ui::Application()) app->ReportOnce(ini.ReadError());
  }
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
    if (const StateFacet* hooks = StateFacetOf(*c)) hooks->load(ini, section, *c);
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
      const StateFacet* hooks = StateFacetOf(*c);
      if (hooks && Selected(*c, tag_mask)) hooks->save(ini, section, *c);
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
