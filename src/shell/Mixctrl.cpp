#include "shell/Mixctrl.h"

#include "config/frmcfg.h"
#include "controls/Class_b.h"
#include "controls/audioctl32.h"
#include "driver/bridge.h"
#include "driver/cardtable.h"
#include "platform/winuser.h"
#include "settings/formstate.h"
#include "settings/mixset.h"
#include "settings/pumps.h"
#include "settings/winutils.h"
#include "shell/mixerwindow.h"
#include "shell/tbmainf.h"
#include "ui/application.h"

namespace shell {

namespace {
constexpr int kWidth = 182;
constexpr int kHeight = 180;
constexpr MixerSlot kPresetOrder[] = {MixerSlot::AnalogInputs, MixerSlot::AnalogOutputs,
                                      MixerSlot::AnalogMonitors, MixerSlot::DigitalInput,
                                      MixerSlot::DigitalOutput};
const std::string kIni = settings::kSettingsFileName;
}  // namespace

const char* MixerCaption(MixerSlot slot) {
  static const char* kCaptions[] = {"Analog Inputs", "Analog Input Monitors", "Analog Outputs",
                                    "Digital Input", "Digital Output"};
  return kCaptions[static_cast<int>(slot)];
}

TMixControlWnd::TMixControlWnd(ui::TComponent* owner, AppState& app) : ui::TForm(owner), app_(app) {
  controls::RegisterControlClasses();
  Handler("FormCreate", &TMixControlWnd::FormCreate);
  Handler("FormShow", &TMixControlWnd::FormShow);
  Handler("FormClose", &TMixControlWnd::FormClose);
  Handler("chkAnalogInputsClick", &TMixControlWnd::chkAnalogInputsClick);
  Handler("chkAnalogMonitorsClick", &TMixControlWnd::chkAnalogMonitorsClick);
  Handler("chkAnalogOutputsClick", &TMixControlWnd::chkAnalogOutputsClick);
  Handler("chkDigitalInputsClick", &TMixControlWnd::chkDigitalInputsClick);
  Handler("chkDigitalOutputsClick", &TMixControlWnd::chkDigitalOutputsClick);
  Handler("chkStayOnTopClick", &TMixControlWnd::chkStayOnTopClick);
  Handler("chkSettingsClick", &TMixControlWnd::chkSettingsClick);
  Member("Panel1", Panel1);
  Member("Panel2", Panel2);
  Member("Panel3", Panel3);
  Member("chkAnalogInputs", chkAnalogInputs);
  Member("chkAnalogMonitors", chkAnalogMonitors);
  Member("chkAnalogOutputs", chkAnalogOutputs);
  Member("chkDigitalInputs", chkDigitalInputs);
  Member("chkDigitalOutputs", chkDigitalOutputs);
  Member("chkStayOnTop", chkStayOnTop);
  Member("chkSettings", chkSettings);
  SetMessageHandler(WM_MIXER_CLOSED, [this](ui::TMessage& m) { WMMixerClosed(m); });
  SetMessageHandler(WM_TRAY_CALLBACK, [this](ui::TMessage& m) { WMTrayCallback(m); });
  SetMessageHandler(WM_SYSCOMMAND, [this](ui::TMessage& m) { WMSysCommand(m); });
  SetMessageHandler(WM_GETMINMAXINFO, [](ui::TMessage& m) {
    auto* mmi = reinterpret_cast<MINMAXINFO*>(m.LParam);
    mmi->ptMaxSize = {kWidth, kHeight};
    mmi->ptMaxPosition = {0, 0};
    mmi->ptMinTrackSize = {kWidth, kHeight};
    mmi->ptMaxTrackSize = {kWidth, kHeight};
    m.Result = 0;
  });
}

void TMixControlWnd::FormCreate(ui::TComponent*) {
  driver::DiscoverCards(app_.Cards);
  SetCaption("Morva");
  SetIcon(app_.MixerIconHandle);
  if (!app_.Cards.CardsPresent) {
    MessageBoxA(Handle(), "Morva Treiber konnte nicht geöffnet werden.", "Fehler", MB_ICONHAND);
    for (ui::TComponent* c : ComponentList())
      if (auto* ctl = dynamic_cast<ui::TControl*>(c)) ctl->SetEnabled(false);
  }
  if (ui::TApplication* a = ui::Application()) {
    a->OnActivate = [this](ui::TComponent* s) { FormActiveChanged(s); };
    a->OnDeactivate = [this](ui::TComponent* s) { FormActiveChanged(s); };
  }
  settings::AddPresetCommands(*this);
}

void TMixControlWnd::FormShow(ui::TComponent*) {
  if (app_.Cards.CardsPresent)
    settings::LoadWindowState(*this, kIni, "", settings::kOwnSectionControls, true);
}

void TMixControlWnd::FormClose(ui::TComponent*, ui::TCloseAction&) {
  if (!app_.Cards.CardsPresent) return;
  // A hidden window has nothing of its own to remember: it was closed before
  // or never shown, and saving it again would forget which windows were
  // open (the exit command closes the hidden window once more).
  // A file that cannot be written is reported; the windows close all the same.
  if (Visible())
    settings::SaveWindowStateOrReport(*this, kIni, "", settings::kOwnSectionControls, true);
  // The boxes first: unchecking them frees windows this window owns.
  std::vector<ui::TCheckBox*> boxes;
  for (ui::TComponent* c : ComponentList())
    if (auto* box = dynamic_cast<ui::TCheckBox*>(c)) boxes.push_back(box);
  for (ui::TCheckBox* box : boxes) box->SetChecked(false);
  // Windows made hidden for control from outside go with the others.
  for (int i = 0; i < kMixerSlots; ++i) ReleaseHiddenWindow(static_cast<MixerSlot>(i), true);
}

controls::TExtCheckBox* TMixControlWnd::BoxOf(MixerSlot s) const {
  switch (s) {
    case MixerSlot::AnalogInputs:
      return chkAnalogInputs;
    case MixerSlot::AnalogMonitors:
      return chkAnalogMonitors;
    case MixerSlot::AnalogOutputs:
      return chkAnalogOutputs;
    case MixerSlot::DigitalInput:
      return chkDigitalInputs;
    case MixerSlot::DigitalOutput:
      return chkDigitalOutputs;
  }
  return nullptr;
}

// The one action behind the five window boxes.
void TMixControlWnd::MixerBoxClick(MixerSlot s) {
  controls::TExtCheckBox* box = BoxOf(s);
  ui::TSafePtr<TMixerWindow>& slot = slots_[static_cast<int>(s)];
  if (slot && hidden_[static_cast<int>(s)] == slot) {
    // Made hidden for control from outside, it gives way to the user's
    // window: closed, it saves what was changed in it, which the new one
    // then restores.
    hidden_[static_cast<int>(s)] = nullptr;
    settings::CloseAndForget(slot);
  }
  if (!box->Checked()) {
    settings::CloseAndForget(slot);
  } else if (!slot) {
    try {
      const MixerFactory& make = app_.MixerFactories[static_cast<int>(s)];
      if (!make)
        throw ui::Exception(std::string("Das Fenster \"") + MixerCaption(s) +
                            "\" ist in dieser Version noch nicht verfügbar");
      slot = make(this, app_);
      if (slot->IsCreated())
        slot->Show();
      else
        box->SetChecked(false);
    } catch (const ui::EAbort&) {
      box->SetChecked(false);
    } catch (const std::exception& e) {
      // Reported here, so that a load restoring several windows goes on
      // with the next one.
      box->SetChecked(false);
      ui::Application()->HandleException(e);
      return;
    }
  }
  settings::pumps::AfterMixerBox();
}

void TMixControlWnd::chkAnalogInputsClick(ui::TComponent*) {
  MixerBoxClick(MixerSlot::AnalogInputs);
}
void TMixControlWnd::chkAnalogMonitorsClick(ui::TComponent*) {
  MixerBoxClick(MixerSlot::AnalogMonitors);
}
void TMixControlWnd::chkAnalogOutputsClick(ui::TComponent*) {
  MixerBoxClick(MixerSlot::AnalogOutputs);
}
void TMixControlWnd::chkDigitalInputsClick(ui::TComponent*) {
  MixerBoxClick(MixerSlot::DigitalInput);
}
void TMixControlWnd::chkDigitalOutputsClick(ui::TComponent*) {
  MixerBoxClick(MixerSlot::DigitalOutput);
}

// The control window and every window it owns go topmost together.
void TMixControlWnd::chkStayOnTopClick(ui::TComponent*) {
  bool top = chkStayOnTop->Checked();
  settings::SetTopmost(this, top);
  for (ui::TComponent* c : ComponentList())
    if (auto* f = dynamic_cast<ui::TForm*>(c)) settings::SetTopmost(f, top);
}

void TMixControlWnd::FormActiveChanged(ui::TComponent* Sender) {
  if (app_.MixControlWnd == this) chkStayOnTopClick(Sender);
}

void TMixControlWnd::chkSettingsClick(ui::TComponent*) {
  if (!chkSettings->Checked()) {
    settings::CloseAndForget(dlgConfig_);
    return;
  }
  if (dlgConfig_) return;
  if (!driver::DriverConfigCall(app_.DriverConfigEnabled, driver::DRVCFG_GETCONFIG,
                                record_.bytes.data(),
                                static_cast<std::int32_t>(record_.bytes.size())))
    return;
  config::ConfigDialogContext context;
  context.notify = Handle();
  context.about = dynamic_cast<ui::TForm*>(app_.AboutBox.get());
  dlgConfig_ = ui::CreateForm<config::TdlgConfig>(this, record_, 0, app_.Cards.CardCount,
                                                  app_.DriverConfigEnabled, context);
  dlgConfig_->Show();
}

void TMixControlWnd::WMMixerClosed(ui::TMessage& m) {
  if (m.LParam == 0) return;
  auto is = [&](ui::TForm* f) {
    return f && static_cast<LPARAM>(HandleValue(f->Handle())) == m.LParam;
  };
  const MixerSlot order[] = {MixerSlot::AnalogInputs, MixerSlot::DigitalInput,
                             MixerSlot::DigitalOutput, MixerSlot::AnalogMonitors,
                             MixerSlot::AnalogOutputs};
  for (MixerSlot s : order)
    if (is(Slot(s))) {
      BoxOf(s)->SetChecked(false);
      return;
    }
  if (is(dlgConfig_)) chkSettings->SetChecked(false);
}

void TMixControlWnd::WMTrayCallback(ui::TMessage& m) {
  if (m.LParam != WM_LBUTTONDBLCLK) return;
  SetWindowState(ui::TWindowState::wsNormal);
  Show();
}

void TMixControlWnd::WMSysCommand(ui::TMessage& m) {
  DefaultHandler(m);
  if (m.WParam == settings::kLoadPresetCommand)
    PresetAll(true);
  else if (m.WParam == settings::kSavePresetCommand)
    PresetAll(false);
}

void TMixControlWnd::PresetAll(bool load) {
  // Without a card there are no mixer windows to fill or to read.
  if (!app_.Cards.CardsPresent) return;
  std::string name = settings::RunPresetPicker(
      *this, kIni,
      load ? "Alle Mixer Einstellungen laden aus ..."
           : "Alle Mixer Einstellungen speichern als ...",
      load ? settings::PresetPurpose::kLoad : settings::PresetPurpose::kSave);
  if (name.empty()) return;
  PresetAll(load, name);
}

// One preset of all windows: the control window's section "Morva <name>"
// and one section per mixer window. A window that is closed is made hidden
// for the moment, so that its section is read or written all the same.
void TMixControlWnd::PresetAll(bool load, const std::string& name) {
  if (!app_.Cards.CardsPresent || name.empty()) return;
  // A handler run by a pump below may free this window.
  ui::TSafePtr<TMixControlWnd> self(this);
  const std::string suffix = " " + name;
  if (load)
    settings::LoadWindowState(*this, kIni, suffix, settings::kAllControls, false);
  else
    settings::SaveWindowState(*this, kIni, suffix, settings::kAllControls, false);
  settings::pumps::BetweenPresetWindows();
  for (MixerSlot s : kPresetOrder) {
    if (!self) return;
    const int i = static_cast<int>(s);
    ui::TSafePtr<TMixerWindow>& slot = slots_[i];
    if (slot) {
      if (load) {
        LoadPresetInto(*slot, suffix);
      } else {
        settings::SaveWindowState(*slot, kIni, suffix, settings::kAllControls, true);
      }
    } else if (const MixerFactory& make = app_.MixerFactories[static_cast<int>(s)]) {
      slot = make(this, app_);
      // The hidden copy goes whatever happens to the load or the save.
      struct Temporary {
        const ui::TSafePtr<TMixControlWnd>& self;
        int i;
        ~Temporary() {
          if (self) ui::Application()->Guard([this] { settings::CloseAndForget(self->slots_[i]); });
        }
      } temporary{self, i};
      slot->CallFormShow();
      if (load) {
        PresetLoadingScope loading(*slot);
        settings::LoadWindowState(*slot, kIni, suffix, settings::kAllControls, true);
      } else {
        settings::SaveWindowState(*slot, kIni, suffix, settings::kAllControls, true);
      }
    }
    settings::pumps::BetweenPresetWindows();
  }
}

// An open window takes the preset with its flag set; its option panel
// keeps the visibility the load gives it, with the height following.
void TMixControlWnd::LoadPresetInto(TMixerWindow& window, const std::string& suffix) {
  ui::TPanel* panel = window.ChecksPanel();
  const bool visible = panel->Visible();
  {
    PresetLoadingScope loading(window);
    settings::LoadWindowState(window, kIni, suffix, settings::kAllControls, true);
  }
  if (panel->Visible() != visible) {
    panel->SetVisible(visible);
    window.ToggleChecksPanel();
  }
}

TMixerWindow* TMixControlWnd::HiddenWindow(MixerSlot s) {
  const int i = static_cast<int>(s);
  ui::TSafePtr<TMixerWindow>& slot = slots_[i];
  if (slot) return slot;
  const MixerFactory& make = app_.MixerFactories[i];
  if (!app_.Cards.CardsPresent || !make) return nullptr;
  // A window that fails half-way has nothing to remember: it goes unclosed.
  auto forget = [&] {
    hidden_[i] = nullptr;
    if (TMixerWindow* w = slot) {
      slot = nullptr;
      w->Free();
    }
  };
  try {
    slot = make(this, app_);
    if (!slot->IsCreated()) {
      forget();
      return nullptr;
    }
    hidden_[i] = slot;
    slot->CallFormShow();
  } catch (const ui::EAbort&) {
    forget();
    return nullptr;
  } catch (...) {
    forget();
    throw;
  }
  return slot;
}

void TMixControlWnd::ReleaseHiddenWindow(MixerSlot s, bool remember) {
  const int i = static_cast<int>(s);
  ui::TSafePtr<TMixerWindow>& slot = slots_[i];
  if (!slot || hidden_[i] != slot || slot->Visible() || BoxOf(s)->Checked()) return;
  hidden_[i] = nullptr;
  if (remember) {
    settings::CloseAndForget(slot);
  } else {
    TMixerWindow* w = slot;
    slot = nullptr;
    w->Free();
  }
}

}  // namespace shell
