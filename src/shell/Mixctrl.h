#pragma once
// TMixControlWnd: the hub of the mixer. One check box per mixer window and
// one for the configuration dialog open and close them; the window keeps
// them on top together with itself, hears when one of them was closed,
// comes up from the tray icon, and loads or saves all mixer windows as one
// named preset.
#include <array>

#include "driver/configrecord.h"
#include "shell/appstate.h"
#include "ui/extctrls.h"
#include "ui/form.h"
#include "ui/safeptr.h"

namespace controls {
class TExtCheckBox;
}
namespace config {
class TdlgConfig;
}

namespace shell {

class TMixerWindow;

// Captions of the mixer windows, also the names of their settings sections.
const char* MixerCaption(MixerSlot slot);

class TMixControlWnd : public ui::TForm {
 public:
  TMixControlWnd(ui::TComponent* owner, AppState& app);
  const char* ClassName() const override { return "TMixControlWnd"; }
  std::string LayoutName() const override { return "Mixctrl.form"; }

  TMixerWindow* Slot(MixerSlot s) const { return slots_[static_cast<int>(s)]; }
  driver::DriverConfigRecord& ConfigRecord() { return record_; }

  void FormCreate(ui::TComponent* Sender);
  void FormShow(ui::TComponent* Sender);
  void FormClose(ui::TComponent* Sender, ui::TCloseAction& Action);
  void chkAnalogInputsClick(ui::TComponent* Sender);
  void chkAnalogMonitorsClick(ui::TComponent* Sender);
  void chkAnalogOutputsClick(ui::TComponent* Sender);
  void chkDigitalInputsClick(ui::TComponent* Sender);
  void chkDigitalOutputsClick(ui::TComponent* Sender);
  void chkStayOnTopClick(ui::TComponent* Sender);
  void chkSettingsClick(ui::TComponent* Sender);
  void FormActiveChanged(ui::TComponent* Sender);

  ui::TPanel* Panel1 = nullptr;
  ui::TPanel* Panel2 = nullptr;
  ui::TPanel* Panel3 = nullptr;
  controls::TExtCheckBox* chkAnalogInputs = nullptr;
  controls::TExtCheckBox* chkAnalogMonitors = nullptr;
  controls::TExtCheckBox* chkAnalogOutputs = nullptr;
  controls::TExtCheckBox* chkDigitalInputs = nullptr;
  controls::TExtCheckBox* chkDigitalOutputs = nullptr;
  controls::TExtCheckBox* chkStayOnTop = nullptr;
  controls::TExtCheckBox* chkSettings = nullptr;

 private:
  controls::TExtCheckBox* BoxOf(MixerSlot s) const;
  void MixerBoxClick(MixerSlot s);
  void WMMixerClosed(ui::TMessage& m);
  void WMTrayCallback(ui::TMessage& m);
  void WMSysCommand(ui::TMessage& m);
  void PresetAll(bool load);
  void LoadPresetInto(TMixerWindow& window, const std::string& suffix);

  AppState& app_;
  // Weak: a window the control window opened may be freed by a handler
  // that a pump or a modal loop runs meanwhile.
  std::array<ui::TSafePtr<TMixerWindow>, kMixerSlots> slots_;
  ui::TSafePtr<config::TdlgConfig> dlgConfig_;
  driver::DriverConfigRecord record_;
};

}  // namespace shell
