#pragma once
// Start-up, the hidden main window and the program entry. The main window
// is never shown: it receives the system's device-change broadcasts and
// gives a card up cleanly when Windows asks to remove it.
#include "shell/appstate.h"
#include "ui/application.h"
#include "ui/form.h"

namespace shell {

constexpr UINT WM_MIXER_CLOSED = WM_USER + 100;   // 0x464
constexpr UINT WM_TRAY_CALLBACK = WM_USER + 102;  // 0x466
constexpr WPARAM DBT_DEVICEQUERYREMOVE = 0x8001;
constexpr DWORD DBT_DEVTYP_DEVNODE = 1;
constexpr const char* kTrayTip = "Einstellungen für Morva";
// The tray icon's context menu: OpenClick and ExitClick.
constexpr const char* kTrayOpenItem = "Öffnen";
constexpr const char* kTrayExitItem = "Beenden";

class TfrmMain : public ui::TForm {
 public:
  TfrmMain(ui::TComponent* owner, AppState& app);
  const char* ClassName() const override { return "TfrmMain"; }
  std::string LayoutName() const override { return "tbmainf.form"; }

  void FormCreate(ui::TComponent* Sender);
  void OpenClick(ui::TComponent* Sender);
  void ExitClick(ui::TComponent* Sender);

 private:
  void WMDeviceChange(ui::TMessage& m);
  AppState& app_;
};

// Creates the control window when there is none, then shows it.
void ShowControlWindow(AppState& app);
void StartUp(ui::TApplication& application, AppState& app);
// The program: title, start-up, and the end. The caller has made the
// framework (application, widgetset) and the platform, and put the mixer
// windows' factories into app (the shell knows the windows only by them).
void ProgramMain(ui::TApplication& application, AppState& app);

}  // namespace shell
