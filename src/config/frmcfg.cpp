#include "config/frmcfg.h"

#include <algorithm>
#include <array>
#include <memory>

#include "controls/Class_b.h"
#include "driver/bridge.h"
#include "platform/windowing.h"
#include "platform/winuser.h"
#include "ui/application.h"
#include "ui/comctrls.h"
#include "ui/extctrls.h"
#include "ui/stdctrls.h"

namespace config {
namespace {

// The record has room for four cards; no dialog may address a fifth block.
constexpr int kMaxConfigCards = driver::kConfigRecordSize / driver::kConfigBlockSize;

constexpr std::array<std::int32_t, 3> kRates = {22050, 44100, 48000};
constexpr int kPreselectedRate = 1;    // "44100 Hz"
constexpr int kPreselectedRes = 1;     // "16 bit"
constexpr int kNextDialogOffset = 24;  // ">>" stacks the next card's dialog

constexpr const char* kRestartText =
    "Sie müssen Windows neu starten, damit die Änderungen zu den verfügbaren "
    "DirectSound-Geräten übernommen werden.";
constexpr const char* kRestartCaption = "Morva Info";
constexpr const char* kBusyText =
    "Die Einstellungen des Morva Treibers können derzeit nicht geändert werden.\r\n"
    "Beenden Sie erst alle Anwendungen, welche die Morva verwenden.";
constexpr const char* kBusyCaption = "Fehler";

}  // namespace

TdlgConfig::TdlgConfig(ui::TComponent* owner, driver::DriverConfigRecord& record, int card_index,
                       int card_count, std::int32_t bridge_enabled, ConfigDialogContext context)
    : ui::TForm(owner),
      record_(record),
      working_(record.Block(card_index)),  // throws for a block past the fourth
      card_index_(card_index),
      card_count_(std::clamp(card_count, card_index + 1, kMaxConfigCards)),
      bridge_enabled_(bridge_enabled),
      context_(context) {
  controls::RegisterBilingualClasses();
  Handler("FormCreate", &TdlgConfig::FormCreate);
  Handler("FormClose", &TdlgConfig::FormClose);
  Handler("chkCardSyncClick", &TdlgConfig::chkCardSyncClick);
  Handler("chkPlaySyncClick", &TdlgConfig::chkPlaySyncClick);
  Handler("chkRecSyncClick", &TdlgConfig::chkRecSyncClick);
  Handler("chkGroupSyncClick", &TdlgConfig::chkGroupSyncClick);
  Handler("chkRemoveDcClick", &TdlgConfig::chkRemoveDcClick);
  Handler("chkNoMsgRateClick", &TdlgConfig::chkNoMsgRateClick);
  Handler("chkNoMsgDevConflictClick", &TdlgConfig::chkNoMsgDevConflictClick);
  Handler("chkWriteIsPlayCursorClick", &TdlgConfig::chkWriteIsPlayCursorClick);
  Handler("barLatencyChange", &TdlgConfig::barLatencyChange);
  Handler("btnAutoLatencyClick", &TdlgConfig::btnAutoLatencyClick);
  Handler("btnManLatencyClick", &TdlgConfig::btnManLatencyClick);
  Handler("chkRestrictedClick", &TdlgConfig::chkRestrictedClick);
  Handler("boxRestrictedRateChange", &TdlgConfig::boxRestrictedRateChange);
  Handler("boxRestrictedResChange", &TdlgConfig::boxRestrictedResChange);
  Handler("chkRestrictedDevClick", &TdlgConfig::chkRestrictedDevClick);
  Handler("boxDevicesChange", &TdlgConfig::boxDevicesChange);
  Handler("btnInfoClick", &TdlgConfig::btnInfoClick);
  Handler("btnNextClick", &TdlgConfig::btnNextClick);
  Handler("btnCancelClick", &TdlgConfig::btnCancelClick);
  Handler("btnApplyClick", &TdlgConfig::btnApplyClick);
  Handler("btnOkClick", &TdlgConfig::btnOkClick);
  Member("chkCardSync", chkCardSync);
  Member("chkPlaySync", chkPlaySync);
  Member("chkRecSync", chkRecSync);
  Member("chkGroupSync", chkGroupSync);
  Member("chkRemoveDc", chkRemoveDc);
  Member("lbErrMsg", lbErrMsg);
  Member("chkNoMsgRate", chkNoMsgRate);
  Member("chkNoMsgDevConflict", chkNoMsgDevConflict);
  Member("btnAutoLatency", btnAutoLatency);
  Member("btnManLatency", btnManLatency);
  Member("lbMs", lbMs);
  Member("lbMsLabel", lbMsLabel);
  Member("barLatency", barLatency);
  Member("lb1ms", lb1ms);
  Member("lb10ms", lb10ms);
  Member("lb20ms", lb20ms);
  Member("lb30ms", lb30ms);
  Member("lb40ms", lb40ms);
  Member("lb50ms", lb50ms);
  Member("lb60ms", lb60ms);
  Member("lb70ms", lb70ms);
  Member("lb80ms", lb80ms);
  Member("lb90ms", lb90ms);
  Member("lb100ms", lb100ms);
  Member("chkWriteIsPlayCursor", chkWriteIsPlayCursor);
  Member("chkRestricted", chkRestricted);
  Member("boxRestrictedRes", boxRestrictedRes);
  Member("lbstereo", lbstereo);
  Member("boxRestrictedRate", boxRestrictedRate);
  Member("chkRestrictedDev", chkRestrictedDev);
  Member("boxDevices", boxDevices);
  Member("btnInfo", btnInfo);
  Member("btnNext", btnNext);
  Member("btnCancel", btnCancel);
  Member("btnApply", btnApply);
  Member("btnOk", btnOk);
}

bool TdlgConfig::IsLastCard() const {
  return card_index_ + 1 >= card_count_;
}

// The controls are filled from the working copy, read afresh at each step:
// setting a box from code runs its click handler, which writes the copy.
void TdlgConfig::FormCreate(ui::TComponent*) {
  SetCaption("Morva Einstellungen Karte #" + std::to_string(card_index_ + 1));
  CentreOnScreen();

  if (IsLastCard()) {
    btnNext->SetEnabled(false);
    chkCardSync->SetEnabled(false);
    chkCardSync->SetChecked(false);
  } else {
    chkCardSync->SetChecked(working_.CardSync());
  }

  chkGroupSync->SetChecked(working_.GroupSync());
  chkPlaySync->SetChecked(working_.PlaySync());
  chkRecSync->SetChecked(working_.RecSync());
  chkRemoveDc->SetChecked(working_.RemoveDc());
  chkNoMsgRate->SetChecked(!working_.MsgRate());
  chkNoMsgDevConflict->SetChecked(!working_.MsgDevConflict());
  chkWriteIsPlayCursor->SetChecked(working_.WriteIsPlayCursor());

  if (working_.Latency() != 0) {
    barLatency->SetPosition(working_.Latency());
    btnManLatency->SetChecked(true);
  } else {
    btnAutoLatency->SetChecked(true);
  }
  lbMs->SetCaption(std::to_string(barLatency->Position()));

  if (working_.RestrictedRate() != 0) {
    const std::int32_t rate = working_.RestrictedRate();
    const std::int32_t res = working_.RestrictedRes();
    chkRestricted->SetChecked(true);
    SetFormatListsEnabled(true);
    const auto found = std::find(kRates.begin(), kRates.end(), rate);
    if (found != kRates.end())
      boxRestrictedRate->SetItemIndex(static_cast<int>(found - kRates.begin()));
    if (res == 1 || res == 2) boxRestrictedRes->SetItemIndex(res - 1);
  } else {
    SetFormatListsEnabled(false);
    boxRestrictedRate->SetItemIndex(kPreselectedRate);
    boxRestrictedRes->SetItemIndex(kPreselectedRes);
  }

  // A device number outside the list selects nothing and is kept as it is.
  const std::int32_t device = working_.RestrictedDevice();
  if (device >= -1 && device + 1 < boxDevices->Count()) boxDevices->SetItemIndex(device + 1);
  if (working_.RestrictedDev()) {
    chkRestrictedDev->SetChecked(true);
    boxDevices->SetEnabled(true);
  } else {
    boxDevices->SetEnabled(false);
  }
  boxDevices->SetItem(0, "Kein Gerät verfügbar");

  chkCardSyncClick(chkCardSync);
  chkPlaySyncClick(chkPlaySync);
  btnApply->SetEnabled(false);
}

void TdlgConfig::CentreOnScreen() {
  ui::TApplication* app = ui::Application();
  if (!app) return;
  SetBounds((app->widgetset().ScreenWidth() - Width()) / 2,
            (app->widgetset().ScreenHeight() - Height()) / 2, Width(), Height());
}

void TdlgConfig::EnableApply() {
  btnApply->SetEnabled(true);
}

void TdlgConfig::chkCardSyncClick(ui::TComponent*) {
  EnableApply();
  working_.SetCardSync(chkCardSync->Checked());
  if (chkCardSync->Checked()) {
    chkPlaySync->SetChecked(true);
    chkRecSync->SetChecked(true);
    chkPlaySync->SetEnabled(false);
    chkRecSync->SetEnabled(false);
  } else {
    chkPlaySync->SetEnabled(true);
    chkRecSync->SetEnabled(true);
  }
}

// Group and card synchronisation both need play and record synchronised.
void TdlgConfig::SettleSyncPartner(controls::TExtCheckBox* self, controls::TExtCheckBox* partner) {
  if (self->Checked()) {
    chkGroupSync->SetEnabled(partner->Checked());
    chkCardSync->SetEnabled(!IsLastCard());
  } else {
    chkGroupSync->SetChecked(false);
    chkGroupSync->SetEnabled(false);
    chkCardSync->SetEnabled(false);
    chkCardSync->SetChecked(false);
  }
}

void TdlgConfig::chkPlaySyncClick(ui::TComponent*) {
  EnableApply();
  working_.SetPlaySync(chkPlaySync->Checked());
  SettleSyncPartner(chkPlaySync, chkRecSync);
}

void TdlgConfig::chkRecSyncClick(ui::TComponent*) {
  EnableApply();
  working_.SetRecSync(chkRecSync->Checked());
  SettleSyncPartner(chkRecSync, chkPlaySync);
}

void TdlgConfig::chkGroupSyncClick(ui::TComponent*) {
  EnableApply();
  working_.SetGroupSync(chkGroupSync->Checked());
}

void TdlgConfig::chkRemoveDcClick(ui::TComponent*) {
  EnableApply();
  working_.SetRemoveDc(chkRemoveDc->Checked());
}

// The boxes read "suppress" where the words read "show": inverted.
void TdlgConfig::chkNoMsgRateClick(ui::TComponent*) {
  EnableApply();
  working_.SetMsgRate(!chkNoMsgRate->Checked());
}

void TdlgConfig::chkNoMsgDevConflictClick(ui::TComponent*) {
  EnableApply();
  working_.SetMsgDevConflict(!chkNoMsgDevConflict->Checked());
}

void TdlgConfig::chkWriteIsPlayCursorClick(ui::TComponent*) {
  EnableApply();
  working_.SetWriteIsPlayCursor(chkWriteIsPlayCursor->Checked());
}

void TdlgConfig::barLatencyChange(ui::TComponent*) {
  EnableApply();
  working_.SetLatency(barLatency->Position());
  lbMs->SetCaption(std::to_string(barLatency->Position()));
}

void TdlgConfig::SetLatencyControlsEnabled(bool enabled) {
  barLatency->SetEnabled(enabled);
  for (ui::TLabel* l : {lbMs, lbMsLabel, lb1ms, lb10ms, lb20ms, lb30ms, lb40ms, lb50ms, lb60ms,
                        lb70ms, lb80ms, lb90ms, lb100ms})
    l->SetEnabled(enabled);
}

void TdlgConfig::btnAutoLatencyClick(ui::TComponent*) {
  EnableApply();
  if (!btnAutoLatency->Checked()) return;
  working_.SetLatency(0);
  SetLatencyControlsEnabled(false);
}

void TdlgConfig::btnManLatencyClick(ui::TComponent*) {
  EnableApply();
  if (!btnManLatency->Checked()) return;
  SetLatencyControlsEnabled(true);
  working_.SetLatency(barLatency->Position());
}

void TdlgConfig::SetFormatListsEnabled(bool enabled) {
  boxRestrictedRes->SetEnabled(enabled);
  boxRestrictedRate->SetEnabled(enabled);
  lbstereo->SetEnabled(enabled);
}

void TdlgConfig::chkRestrictedClick(ui::TComponent*) {
  EnableApply();
  SetFormatListsEnabled(chkRestricted->Checked());
  StoreRate();
  StoreResolution();
}

void TdlgConfig::StoreRate() {
  if (!chkRestricted->Checked()) {
    working_.SetRestrictedRate(0);
    return;
  }
  const int i = boxRestrictedRate->ItemIndex();
  if (i >= 0 && i < static_cast<int>(kRates.size())) working_.SetRestrictedRate(kRates[i]);
}

void TdlgConfig::StoreResolution() {
  if (!chkRestricted->Checked()) {
    working_.SetRestrictedRes(0);
    return;
  }
  const int i = boxRestrictedRes->ItemIndex();
  if (i == 0 || i == 1) working_.SetRestrictedRes(i + 1);
}

void TdlgConfig::boxRestrictedRateChange(ui::TComponent*) {
  EnableApply();
  StoreRate();
}

void TdlgConfig::boxRestrictedResChange(ui::TComponent*) {
  EnableApply();
  StoreResolution();
}

void TdlgConfig::chkRestrictedDevClick(ui::TComponent*) {
  EnableApply();
  boxDevices->SetEnabled(chkRestrictedDev->Checked());
  working_.SetRestrictedDev(chkRestrictedDev->Checked());
}

void TdlgConfig::boxDevicesChange(ui::TComponent*) {
  EnableApply();
  // A cleared selection would read as device -2, which names nothing.
  if (boxDevices->ItemIndex() >= 0) working_.SetRestrictedDevice(boxDevices->ItemIndex() - 1);
}

bool TdlgConfig::ApplySettings() {
  if (!btnApply->Enabled()) return true;
  bool ok = driver::DriverReconfigurable(bridge_enabled_);
  if (ok) {
    if (driver::RestartNeeded(record_.Block(card_index_), working_))
      MessageBoxA(Handle(), kRestartText, kRestartCaption, MB_ICONASTERISK);
    record_.SetBlock(card_index_, working_);
    ok = record_.Set(bridge_enabled_);
  }
  if (!ok) MessageBoxA(Handle(), kBusyText, kBusyCaption, MB_ICONHAND);
  return ok;
}

void TdlgConfig::btnApplyClick(ui::TComponent*) {
  if (ApplySettings()) btnApply->SetEnabled(false);
}

void TdlgConfig::btnOkClick(ui::TComponent*) {
  okPressed = true;
  Close();
}

void TdlgConfig::btnCancelClick(ui::TComponent*) {
  Close();
}

void TdlgConfig::btnInfoClick(ui::TComponent*) {
  if (context_.about) context_.about->ShowModal();
}

void TdlgConfig::btnNextClick(ui::TComponent*) {
  if (IsLastCard()) return;
  // The next card's dialog lives for its modal run, also when this dialog
  // is itself the next card's dialog of another one.
  std::unique_ptr<TdlgConfig, ui::ModalRunDeleter> next(ui::CreateForm<TdlgConfig>(
      this, record_, card_index_ + 1, card_count_, bridge_enabled_, context_));
  next->SetBounds(Left() + kNextDialogOffset, Top() + kNextDialogOffset, next->Width(),
                  next->Height());
  next->ShowModal();
}

void TdlgConfig::FormClose(ui::TComponent*, ui::TCloseAction& Action) {
  bool ok = true;
  if (okPressed) {
    ok = ApplySettings();
    okPressed = false;
  }
  if (!ok) {
    Action = ui::TCloseAction::caNone;
    return;
  }
  if (context_.notify)
    PostMessageA(context_.notify, WM_CONFIG_CLOSED, 0, static_cast<LPARAM>(HandleValue(Handle())));
}

}  // namespace config
