#pragma once
// TfrmMon: the monitor mix of every analog input pair of every card: a
// monitor fader per channel with a link box per pair, the three monitor
// mode buttons and the playback mute button of each pair. The pair's
// driver record is shared with the analog inputs window: this window
// writes the mute and monitor bytes and copies every record it writes into
// that window.
#include <array>
#include <vector>

#include "driver/controls.h"
#include "driver/messages.h"
#include "mixer/mixerform.h"
#include "ui/buttons.h"

namespace ui {
class TCheckBox;
class TScrollBox;
}  // namespace ui

namespace mixer {

class TfrmAnalogInp;

class TfrmMon : public TMixerForm {
 public:
  static constexpr int kFixedHeight = 331;
  // Mode button Tags ("On", "OnPunch", "OnRec") and the mute button's.
  static constexpr int kTagOn = 0;
  static constexpr int kTagOnPunch = 1;
  static constexpr int kTagOnRec = 2;
  static constexpr int kTagMute = 3;
  // The pair of a button: GroupIndex - 1 (mode) or GroupIndex - 32 (mute).
  static constexpr int kModeGroupBase = 1;
  static constexpr int kMuteGroupBase = 32;

  TfrmMon(ui::TComponent* owner, shell::AppState& app);
  const char* ClassName() const override { return "TfrmMon"; }
  std::string LayoutName() const override { return "Mon.form"; }

  void MonModeClick(ui::TComponent* Sender);
  void MuteWaveOutClick(ui::TComponent* Sender);

  void ReadMonitorGains();
  void ReadMonitorState();

  ui::TPanel* pnChecks = nullptr;
  ui::TCheckBox* chkFaders = nullptr;
  ui::TPanel* pnGround = nullptr;
  ui::TScrollBox* grpSliders = nullptr;

 protected:
  MixerParts Parts() override;
  bool RenumberOwnClone(ui::TControl* control) override;
  void CreateState() override;
  void ReadDriverState() override;
  void WriteFader(const controls::TSlider& fader) override;
  void PresetLoadEnded() override { WriteNotedModes(); }

 private:
  static constexpr int kPairs = kMaxCards * 4;

  void SetMonitorMode(int ch, const ui::TSpeedButton& button);
  void SetMonitorGate(int ch, const ui::TSpeedButton& button);
  void WriteMode(int pair, const ui::TSpeedButton& button);
  void MirrorPairRecord(int pair);
  void WriteNotedModes();
  void WriteNotedMode(int pair);
  std::vector<ui::TSpeedButton*> ModeButtons(int pair) const;
  TfrmAnalogInp* InputsWindow() const;

  SharedBlock gate_buffer_;
  SharedBlock gain_buffer_;
  SharedBlock record_buffer_;
  // While a preset is loaded the mode buttons only note their pair; the
  // pair's mode is written once its buttons have their final states.
  std::array<bool, kPairs> noted_{};
  std::array<ui::TSpeedButton*, kPairs> last_mode_button_{};
};

}  // namespace mixer
