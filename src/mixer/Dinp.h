#pragma once
// TfrmDigInp: a stereo peak meter of every card's S/PDIF input, one meter
// pair per card side by side. TDigitalMeterForm is what it shares with its
// playback twin TfrmDigOut (unit Dout): one meter pair per card on the
// card's S/PDIF device, an option box that shows or hides the meters, the
// 95-pixel strips cloned for further cards and labelled with the card's
// Roman numeral. Neither window acts on the hardware beyond metering, and
// neither has presets of its own.
#include <string>

#include "driver/controls.h"
#include "mixer/mixerform.h"

namespace controls {
class TExtCheckBox;
}
namespace ui {
class TLabel;
class TScrollBox;
}  // namespace ui

namespace mixer {

class TDigitalMeterForm : public TMixerForm {
 public:
  static constexpr int kFixedHeight = 295;
  // A further card's strip sits this far right of the previous one.
  static constexpr int kSpdifStripWidth = 95;
  // With more than one card the window opens this wide per card.
  static constexpr int kCreationWidthPerCard = 152;
  // Width limits: 90 pixels up to 95 per card plus 20, never below 152.
  static constexpr int kSpdifMinWidth = 90;
  static constexpr int kSpdifWidthMargin = 20;
  static constexpr int kSpdifNarrowestMax = 152;

  // strip_caption: the first card's label, "S/PDIF IN" or "S/PDIF OUT".
  TDigitalMeterForm(ui::TComponent* owner, shell::AppState& app, driver::Direction direction,
                    MeterMessages messages, std::string strip_caption);

  // The digital windows take part only in the combined preset.
  bool HasPresetLoadingFlag() const override { return false; }
  int MinTrackWidth() const override { return kSpdifMinWidth; }
  int MaxTrackWidth() const override;

  ui::TPanel* pnChecks = nullptr;
  controls::TExtCheckBox* chkPeakMeter = nullptr;
  ui::TPanel* pnGround = nullptr;
  ui::TScrollBox* grpLevels = nullptr;
  ui::TPanel* Panel10 = nullptr;
  ui::TLabel* lbLabel = nullptr;

 protected:
  MixerParts Parts() override;
  bool RenumberOwnClone(ui::TControl* control) override;
  void CreateState() override;

 private:
  std::string strip_caption_;
  int cloned_captions_ = 0;
  SharedBlock level_buffer_;
};

class TfrmDigInp : public TDigitalMeterForm {
 public:
  TfrmDigInp(ui::TComponent* owner, shell::AppState& app);
  const char* ClassName() const override { return "TfrmDigInp"; }
  std::string LayoutName() const override { return "Dinp.form"; }
};

}  // namespace mixer
