#pragma once
// TdlgConfig: the dialog in which the user edits one card's block of the
// driver configuration record. The controls edit a private copy of the
// block; "Übernehmen" and "Ok" write it back through the configuration
// bridge once the driver says its settings may be changed now.
#include <cstdint>
#include <string>

#include "driver/configrecord.h"
#include "ui/form.h"

namespace ui {
class TButton;
class TComboBox;
class TLabel;
class TPanel;
class TTrackBar;
}  // namespace ui
namespace controls {
class TExtButton;
class TExtCheckBox;
class TExtLabel;
class TExtRadioButton;
}  // namespace controls

namespace config {

// The closing notification to the mixer control window (lParam: the dialog's
// window handle value).
constexpr UINT WM_CONFIG_CLOSED = 0x464;  // WM_USER + 100

// Who hears about the dialog: the window that gets the closing notification
// (nullptr: nobody) and the about box "&Info" shows (nullptr: none).
struct ConfigDialogContext {
  HWND notify = nullptr;
  ui::TForm* about = nullptr;
};

class TdlgConfig : public ui::TForm {
 public:
  // record is the opener's buffer, filled by "getconfig"; it must outlive the
  // dialog. card_index is 0-based; card_count is the card table's count.
  // bridge_enabled is passed as the first argument of every bridge call.
  // Create with ui::CreateForm<TdlgConfig>(owner, record, index, count,
  // enabled, context).
  TdlgConfig(ui::TComponent* owner, driver::DriverConfigRecord& record, int card_index,
             int card_count, std::int32_t bridge_enabled, ConfigDialogContext context = {});
  const char* ClassName() const override { return "TdlgConfig"; }
  std::string LayoutName() const override { return "frmcfg.form"; }

  // Writes the working copy back when something changed; false (after the
  // error box) when the driver refuses or the bridge fails.
  bool ApplySettings();

  int CardIndex() const { return card_index_; }
  int CardCount() const { return card_count_; }
  const driver::CardConfigBlock& WorkingCopy() const { return working_; }
  bool OkPressed() const { return okPressed; }

  // Handlers, bound by name from the layout.
  void FormCreate(ui::TComponent* Sender);
  void FormClose(ui::TComponent* Sender, ui::TCloseAction& Action);
  void chkCardSyncClick(ui::TComponent* Sender);
  void chkPlaySyncClick(ui::TComponent* Sender);
  void chkRecSyncClick(ui::TComponent* Sender);
  void chkGroupSyncClick(ui::TComponent* Sender);
  void chkRemoveDcClick(ui::TComponent* Sender);
  void chkNoMsgRateClick(ui::TComponent* Sender);
  void chkNoMsgDevConflictClick(ui::TComponent* Sender);
  void chkWriteIsPlayCursorClick(ui::TComponent* Sender);
  void barLatencyChange(ui::TComponent* Sender);
  void btnAutoLatencyClick(ui::TComponent* Sender);
  void btnManLatencyClick(ui::TComponent* Sender);
  void chkRestrictedClick(ui::TComponent* Sender);
  void boxRestrictedRateChange(ui::TComponent* Sender);
  void boxRestrictedResChange(ui::TComponent* Sender);
  void chkRestrictedDevClick(ui::TComponent* Sender);
  void boxDevicesChange(ui::TComponent* Sender);
  void btnInfoClick(ui::TComponent* Sender);
  void btnNextClick(ui::TComponent* Sender);
  void btnCancelClick(ui::TComponent* Sender);
  void btnApplyClick(ui::TComponent* Sender);
  void btnOkClick(ui::TComponent* Sender);

  // Controls, bound by name from the layout.
  controls::TExtCheckBox* chkCardSync = nullptr;
  controls::TExtCheckBox* chkPlaySync = nullptr;
  controls::TExtCheckBox* chkRecSync = nullptr;
  controls::TExtCheckBox* chkGroupSync = nullptr;
  controls::TExtCheckBox* chkRemoveDc = nullptr;
  controls::TExtLabel* lbErrMsg = nullptr;
  controls::TExtCheckBox* chkNoMsgRate = nullptr;
  controls::TExtCheckBox* chkNoMsgDevConflict = nullptr;
  controls::TExtRadioButton* btnAutoLatency = nullptr;
  controls::TExtRadioButton* btnManLatency = nullptr;
  ui::TLabel* lbMs = nullptr;
  ui::TLabel* lbMsLabel = nullptr;
  ui::TTrackBar* barLatency = nullptr;
  ui::TLabel* lb1ms = nullptr;
  ui::TLabel* lb10ms = nullptr;
  ui::TLabel* lb20ms = nullptr;
  ui::TLabel* lb30ms = nullptr;
  ui::TLabel* lb40ms = nullptr;
  ui::TLabel* lb50ms = nullptr;
  ui::TLabel* lb60ms = nullptr;
  ui::TLabel* lb70ms = nullptr;
  ui::TLabel* lb80ms = nullptr;
  ui::TLabel* lb90ms = nullptr;
  ui::TLabel* lb100ms = nullptr;
  controls::TExtCheckBox* chkWriteIsPlayCursor = nullptr;
  controls::TExtCheckBox* chkRestricted = nullptr;
  ui::TComboBox* boxRestrictedRes = nullptr;
  ui::TLabel* lbstereo = nullptr;
  ui::TComboBox* boxRestrictedRate = nullptr;
  controls::TExtCheckBox* chkRestrictedDev = nullptr;
  ui::TComboBox* boxDevices = nullptr;
  controls::TExtButton* btnInfo = nullptr;
  controls::TExtButton* btnNext = nullptr;
  controls::TExtButton* btnCancel = nullptr;
  controls::TExtButton* btnApply = nullptr;
  controls::TExtButton* btnOk = nullptr;

 private:
  bool IsLastCard() const;
  void CentreOnScreen();
  // Every edit makes "Übernehmen" available.
  void EnableApply();
  void StoreRate();
  void StoreResolution();
  void SetFormatListsEnabled(bool enabled);
  void SetLatencyControlsEnabled(bool enabled);
  void SettleSyncPartner(controls::TExtCheckBox* self, controls::TExtCheckBox* partner);

  driver::DriverConfigRecord& record_;
  driver::CardConfigBlock working_;
  int card_index_;
  int card_count_;
  std::int32_t bridge_enabled_;
  ConfigDialogContext context_;
  bool okPressed = false;
};

}  // namespace config
