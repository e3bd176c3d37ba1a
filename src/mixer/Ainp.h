#pragma once
// TfrmAnalogInp: the recording side of every card's eight analog inputs,
// one strip of four stereo pairs per card: the input source buttons, the
// peak meters and the input gain faders with their link boxes. Further
// cards' strips are clones of the first, made at creation.
#include <array>

#include "driver/controls.h"
#include "driver/messages.h"
#include "mixer/mixerform.h"
#include "ui/buttons.h"

namespace controls {
class TExtCheckBox;
}
namespace ui {
class TScrollBox;
}

namespace mixer {

class TfrmMon;

class TfrmAnalogInp : public TMixerForm {
 public:
  static constexpr int kFixedHeight = 512;
  // The section heights: those of the first card's pair panels.
  static constexpr int kSourceHeight = 58;
  static constexpr int kMeterHeight = 176;
  static constexpr int kSliderHeight = 160;

  TfrmAnalogInp(ui::TComponent* owner, shell::AppState& app);
  const char* ClassName() const override { return "TfrmAnalogInp"; }
  std::string LayoutName() const override { return "Ainp.form"; }

  void RouteButtonClick(ui::TComponent* Sender);

  void ReadInputSources();
  void ReadInputGains();

  // The first speed button in component order whose Tag holds channel ch
  // in its low 16 bits and kind in bits 16..23; null when there is none.
  ui::TSpeedButton* FindRouteButton(int ch, int kind) const;
  // The route table entry of channel ch: kind 0 Line, 1 Mic, 2 CD.
  ui::TSpeedButton* Route(int ch, int kind) const;
  // The monitor window's copy of a pair record it has just written.
  void MirrorPairRecord(int pair, const driver::InputPairRecord& record);
  // This window's copy of pair p's record.
  driver::InputPairRecord PairRecord(int pair) const;

  ui::TPanel* pnChecks = nullptr;
  controls::TExtCheckBox* chkSourceSelect = nullptr;
  controls::TExtCheckBox* chkPeakMeter = nullptr;
  controls::TExtCheckBox* chkGainSlider = nullptr;
  ui::TPanel* grpInput = nullptr;
  ui::TScrollBox* ScrollBox1 = nullptr;
  ui::TPanel* pnSrcSel = nullptr;
  ui::TPanel* pnMeters = nullptr;
  ui::TPanel* pnSliders = nullptr;
  ui::TPanel* pnNumbers = nullptr;

 protected:
  MixerParts Parts() override;
  bool RenumberOwnClone(ui::TControl* control) override;
  void CreateState() override;
  void ReadDriverState() override;
  void WriteFader(const controls::TSlider& fader) override;

 private:
  static constexpr int kPairRecords = 20;  // the 80-byte source block

  void BuildRouteTable();
  void WriteSourceByte(int ch, std::uint8_t source);
  std::uint8_t SourceByte(int ch) const;
  void SourceChangeFollowUp();
  TfrmMon* MonitorWindow() const;

  SharedBlock source_block_;
  SharedBlock gain_buffer_;
  SharedBlock level_buffer_;
  std::array<std::array<ui::TSpeedButton*, 3>, kMaxCards * 8> route_{};
};

}  // namespace mixer
