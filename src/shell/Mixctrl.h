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
  controls::TExtCheckBox* BoxOf(MixerSlot s) const;
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

  // The combined preset under a name, as the load-all and save-all
  // commands do once the picker has given it.
  void PresetAll(bool load, const std::string& name);

  // The slot's window for control from outside. A window whose box is
  // unchecked is made hidden, as a combined preset makes it (created and
  // prepared by its FormShow, never shown), and stays in the slot until it
  // is released, or its box is checked: then it is closed and the user's
  // window made. Null when it cannot be made; an error in its creation
  // goes on to the caller.
  TMixerWindow* HiddenWindow(MixerSlot s);
  // Lets such a hidden window go: closed (it saves its own section as a
  // closing window does) when remember, else freed without a word. A
  // window that is shown or whose box is checked is the user's and stays.
  void ReleaseHiddenWindow(MixerSlot s, bool remember);

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
  // The slots' windows made hidden for control from outside, until they
  // are released or the user opens them.
  std::array<ui::TSafePtr<TMixerWindow>, kMixerSlots> hidden_;
  ui::TSafePtr<config::TdlgConfig> dlgConfig_;
  driver::DriverConfigRecord record_;
};

}  // namespace shell
