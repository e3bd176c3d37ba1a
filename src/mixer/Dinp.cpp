#include "mixer/Dinp.h"

#include <algorithm>

#include "controls/Class_b.h"
#include "controls/audioctl32.h"
#include "driver/cardtable.h"
#include "driver/messages.h"
#include "ui/stdctrls.h"

namespace mixer {

namespace {
constexpr int kChannelsPerCard = 2;  // left and right of the S/PDIF pair
}  // namespace

TDigitalMeterForm::TDigitalMeterForm(ui::TComponent* owner, shell::AppState& app,
                                     driver::Direction direction, MeterMessages messages,
                                     std::string strip_caption)
    : TMixerForm(owner, app, direction, driver::kKindSpdif, kChannelsPerCard),
      strip_caption_(std::move(strip_caption)) {
  controls::RegisterControlClasses();
  UseMeters(messages, level_buffer_);
  Handler("chkPeakMeterClick", &TMixerForm::OptionBoxClick);
  Member("pnChecks", pnChecks);
  Member("chkPeakMeter", chkPeakMeter);
  Member("pnGround", pnGround);
  Member("grpLevels", grpLevels);
  Member("Panel10", Panel10);
  Member("lbLabel", lbLabel);
}

int TDigitalMeterForm::MaxTrackWidth() const {
  return std::max(kSpdifStripWidth * CardCount() + kSpdifWidthMargin, kSpdifNarrowestMax);
}

// ---- creation

MixerParts TDigitalMeterForm::Parts() {
  return {.layout = {.design_height = kFixedHeight,
                     .option_row = pnChecks,
                     .ground = pnGround,
                     .ground_box = chkPeakMeter,
                     .sections = {}},
          .strip = {grpLevels},
          .strip_width = kSpdifStripWidth,
          .meter_panel = pnGround};
}

// A further card's strip is labelled with the card's Roman numeral.
bool TDigitalMeterForm::RenumberOwnClone(ui::TControl* control) {
  if (!dynamic_cast<ui::TLabel*>(control) || control->Caption() != strip_caption_) return false;
  const int k = ++cloned_captions_;
  if (k < static_cast<int>(driver::SpdifCardNumerals.size()))
    control->SetCaption(strip_caption_ + " " + std::string(driver::SpdifCardNumerals[k]));
  return true;
}

void TDigitalMeterForm::CreateState() {
  // Until the window is shown its width limits do not apply yet; the
  // geometry load at show brings an overwide window back to its maximum.
  if (CardCount() > 1) SetWidth(kCreationWidthPerCard * CardCount());
  level_buffer_.Allocate(8);
}

// ---- the digital input window

namespace {
constexpr MeterMessages kInputMeterMessages = {driver::MSG_START_IN_METER,
                                               driver::MSG_STOP_IN_METER, driver::MSG_GET_IN_LEVEL};
}  // namespace

TfrmDigInp::TfrmDigInp(ui::TComponent* owner, shell::AppState& app)
    : TDigitalMeterForm(owner, app, driver::Direction::Record, kInputMeterMessages, "S/PDIF IN") {}

}  // namespace mixer
