#pragma once
// The application-wide state: the card table, the quit flag, the shared
// icon, the bridge flag, the three application windows and the tray record.
// One object per run of the program (or per test); nothing global. The
// windows are weak references: each reads null once its window is freed.
#include <array>
#include <cstdint>
#include <functional>

#include "driver/cardtable.h"
#include "platform/shellapi.h"
#include "ui/safeptr.h"

namespace shell {

class TfrmMain;
class TMixControlWnd;
class TMixerWindow;
struct AppState;

// The mixer windows in the order of the control window's check boxes.
enum class MixerSlot { AnalogInputs, AnalogMonitors, AnalogOutputs, DigitalInput, DigitalOutput };
constexpr int kMixerSlots = 5;

// Makes a mixer window (owner: the control window); empty while the window
// kind is not built yet.
using MixerFactory = std::function<TMixerWindow*(ui::TComponent* owner, AppState& app)>;

struct AppState {
  driver::CardTable Cards;
  bool QuitRequested = false;
  HICON MixerIconHandle = nullptr;
  std::int32_t DriverConfigEnabled = 0;
  ui::TSafePtr<TfrmMain> frmMain;
  ui::TSafePtr<TMixControlWnd> MixControlWnd;
  ui::TSafePtr<ui::TComponent> AboutBox;
  NOTIFYICONDATAA TrayIconData{};
  std::array<MixerFactory, kMixerSlots> MixerFactories;
};

}  // namespace shell
