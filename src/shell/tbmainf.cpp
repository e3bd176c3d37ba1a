#include "shell/tbmainf.h"

#include <cstring>

#include "driver/bridge.h"
#include "driver/configrecord.h"
#include "driver/status.h"
#include "platform/shellapi.h"
#include "platform/windowing.h"
#include "platform/winuser.h"
#include "shell/Mixctrl.h"
#include "shell/about.h"

namespace shell {

namespace {
// Shown when the driver could not even be asked for its state.
constexpr const char* kNoAnswerCaption = "Morva Fehler";
constexpr const char* kNoAnswerText =
    "Der Morva Treiber konnte nicht abgefragt werden.\r\n"
    "Keine Audiofunktionen auf diesem Gerät verfügbar.";
}  // namespace

TfrmMain::TfrmMain(ui::TComponent* owner, AppState& app) : ui::TForm(owner), app_(app) {
  Handler("FormCreate", &TfrmMain::FormCreate);
  SetMessageHandler(WM_MIXER_CLOSED, [this](ui::TMessage& m) {
    if (m.LParam == WM_LBUTTONDBLCLK) ShowControlWindow(app_);
  });
  SetMessageHandler(WM_DEVICECHANGE, [this](ui::TMessage& m) { WMDeviceChange(m); });
}

void TfrmMain::FormCreate(ui::TComponent*) {}

void TfrmMain::OpenClick(ui::TComponent*) {
  ShowControlWindow(app_);
}

// The quit flag ends the main loop; a modal loop that runs meanwhile (a
// picker, a dialog, the about box) ends too, as the application quits.
static void RequestQuit(AppState& app) {
  app.QuitRequested = true;
  if (ui::TApplication* application = ui::Application()) application->Terminate();
}

// Closing the control window may fail half-way (a handler's error is
// reported); the exit and the removal go on all the same.
static void CloseGuarded(ui::TForm& form) {
  if (ui::TApplication* application = ui::Application())
    application->Guard([&] { form.Close(); });
  else
    form.Close();
}

void TfrmMain::ExitClick(ui::TComponent*) {
  if (app_.MixControlWnd) CloseGuarded(*app_.MixControlWnd);
  RequestQuit(app_);
}

// A card about to be removed: tell the driver (removal signal in the whole
// record's first word), give up the control window and quit. The removal
// is never refused.
void TfrmMain::WMDeviceChange(ui::TMessage& m) {
  m.Result = TRUE;
  if (m.WParam != DBT_DEVICEQUERYREMOVE || m.LParam == 0) return;
  const auto* record = reinterpret_cast<const std::uint8_t*>(m.LParam);
  DWORD type = 0, devnode = 0;
  std::memcpy(&type, record + 4, 4);
  if (type != DBT_DEVTYP_DEVNODE) return;
  std::memcpy(&devnode, record + 12, 4);
  int count = std::min<int>(app_.Cards.CardCount, driver::kMaxCards);
  bool match = false;
  for (int c = 0; c < count && !match; ++c) match = app_.Cards.CardDevNodes[c] == devnode;
  if (!match) return;
  driver::SendRemovalSignal(app_.DriverConfigEnabled);
  if (app_.MixControlWnd) {
    CloseGuarded(*app_.MixControlWnd);
    // Freeing empties app_.MixControlWnd before the window goes, so nothing
    // its destruction reaches finds it half gone.
    if (TMixControlWnd* w = app_.MixControlWnd) w->Free();
  }
  RequestQuit(app_);
}

// The control window belongs to the application, whenever it is made.
static void MakeControlWindow(AppState& app) {
  app.MixControlWnd = ui::CreateForm<TMixControlWnd>(ui::Application(), app);
}

void ShowControlWindow(AppState& app) {
  if (!app.MixControlWnd) MakeControlWindow(app);
  app.MixControlWnd->Show();
}

void StartUp(ui::TApplication& application, AppState& app) {
  app.DriverConfigEnabled = 1;
  // Preset so that a call that fails ends start-up.
  driver::DriverStates states;
  states.Status = 0;
  if (!driver::GetDriverStates(app.DriverConfigEnabled, states)) {
    states = driver::DriverStates{};
    MessageBoxA(nullptr, kNoAnswerText, kNoAnswerCaption, MB_ICONHAND);
    return;
  }
  driver::CheckDriverStates(states);
  if (states.Status != 1) return;

  app.MixerIconHandle = LoadIconA(nullptr, "MIXERICON");
  app.frmMain = ui::CreateForm<TfrmMain>(&application, app);
  MakeControlWindow(app);
  app.AboutBox = ui::CreateForm<TAboutBox>(&application);

  NOTIFYICONDATAA& tray = app.TrayIconData;
  tray = NOTIFYICONDATAA{};
  tray.cbSize = 88;
  tray.hWnd = app.MixControlWnd->Handle();
  tray.uID = 0;
  tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  tray.uCallbackMessage = WM_TRAY_CALLBACK;
  tray.hIcon = app.MixerIconHandle;
  std::strncpy(tray.szTip, kTrayTip, sizeof(tray.szTip) - 1);
  if (Shell_NotifyIconA(NIM_ADD, &tray)) {
    do {
      application.HandleMessage();
    } while (!app.QuitRequested && !application.Terminated());
    Shell_NotifyIconA(NIM_DELETE, &tray);
  }
  DestroyIcon(app.MixerIconHandle);
}

void ProgramMain(ui::TApplication& application, AppState& app) {
  application.SetTitle("MORVA Manager");
  StartUp(application, app);
}

}  // namespace shell
