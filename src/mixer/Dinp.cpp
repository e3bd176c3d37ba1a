#include "mixer/Dinp.h"

#include <algorithm>

#include "controls/Class_b.h"
#include "controls/audioctl32.h"
#include "driver/cardtable.h"
#include "driver/messages.h"
#include "settings/winutils.h"
#include "ui/stdctrls.h"

namespace mixer {

namespace {
constexpr int kChannelsPerCard = 2;  // left and right of the S/PDIF pair
constexpr UINT kTickInterval = 40;
constexpr UINT kPollInterval = 100;
}  // namespace

TDigitalMeterForm::TDigitalMeterForm(ui::TComponent* owner, shell::AppState& app,
                                     driver::Direction direction, MeterMessages messages,
                                     std::string strip_caption)
    : TMixerForm(owner, app, direction, driver::kKindSpdif, kChannelsPerCard),
      strip_caption_(std::move(strip_caption)),
      meters_(messages, [this](int ch, UINT msg, DWORD_PTR p1) { Send(ch, msg, p1); }) {
  controls::RegisterControlClasses();
  Handler("FormCreate", &TDigitalMeterForm::FormCreate);
  Handler("FormDestroy", &TDigitalMeterForm::FormDestroy);
  Handler("FormShow", &TDigitalMeterForm::FormShow);
  Handler("FormClose", &TDigitalMeterForm::FormClose);
  Handler("chkPeakMeterClick", &TDigitalMeterForm::chkPeakMeterClick);
  Member("pnChecks", pnChecks);
  Member("chkPeakMeter", chkPeakMeter);
  Member("pnGround", pnGround);
  Member("grpLevels", grpLevels);
  Member("Panel10", Panel10);
  Member("lbLabel", lbLabel);
  SetMessageHandler(WM_METER_TICK, [this](ui::TMessage& m) { meters_.Tick(m); });
  SetMessageHandler(WM_METER_POLL, [this](ui::TMessage& m) { meters_.Poll(m); });
}

int TDigitalMeterForm::MaxTrackWidth() const {
  return std::max(kSpdifStripWidth * CardCount() + kSpdifWidthMargin, kSpdifNarrowestMax);
}

// ---- creation and destruction

void TDigitalMeterForm::FormCreate(ui::TComponent*) {
  SetIcon(app_.MixerIconHandle);
  OpenHandles();
  SetFixedHeight(kFixedHeight);
  BindPanels(pnChecks, pnGround);
  for (int card = 1; card < CardCount(); ++card) {
    clone_index_ = card;
    grpLevels->SetWidth(grpLevels->Width() + kSpdifStripWidth);
    settings::CloneComponents(
        grpLevels, grpLevels, kSpdifStripWidth * card,
        [this](ui::TForm& f, ui::TControl*& c) { RenumberCloneControl(f, c); }, this);
  }
  meters_.Setup(*this, ChannelCount(), &level_buffer_);
  meters_.SetIntervals(kTickInterval, kPollInterval);
  SetFixedHeight(kFixedHeight);
  // Until the window is shown its width limits do not apply yet; the
  // geometry load at show brings an overwide window back to its maximum.
  if (CardCount() > 1) SetWidth(kCreationWidthPerCard * CardCount());
  level_buffer_ = driver::AllocSharedBuffer(8);
  MarkCreated();
}

void TDigitalMeterForm::RenumberCloneControl(ui::TForm&, ui::TControl*& control) {
  if (auto* meter = dynamic_cast<controls::TLevelMeter*>(control)) {
    meter->SetTag(meter->Tag() + kChannelsPerCard * clone_index_);
  } else if (dynamic_cast<ui::TLabel*>(control) && control->Caption() == strip_caption_) {
    const int k = ++cloned_captions_;
    if (k < static_cast<int>(driver::SpdifCardNumerals.size()))
      control->SetCaption(strip_caption_ + " " + std::string(driver::SpdifCardNumerals[k]));
  }
}

void TDigitalMeterForm::FormDestroy(ui::TComponent*) {
  // A window destroyed while it meters (at the end of the application)
  // tells the driver to stop before its handles close.
  meters_.StopMeters();
  CloseHandles();
  driver::FreeSharedBuffer(level_buffer_);
}

// ---- show and close

void TDigitalMeterForm::FormShow(ui::TComponent*) {
  LoadOwnSection();
  if (pnGround->Visible()) StartMeters();
  ApplyStoredChecksPanel();
  BuildSystemMenu();
}

void TDigitalMeterForm::FormClose(ui::TComponent*, ui::TCloseAction&) {
  SaveOwnSection();
  StopMeters();
  NotifyClosed();
}

void TDigitalMeterForm::chkPeakMeterClick(ui::TComponent*) {
  settings::UpdateMenuCheck(chkPeakMeter);
  const bool show = chkPeakMeter->Checked();
  if (!show) StopMeters();
  ShowGround(show);
  if (show) StartMeters();
}

// ---- the digital input window

namespace {
constexpr MeterMessages kInputMeterMessages = {driver::MSG_START_IN_METER,
                                               driver::MSG_STOP_IN_METER, driver::MSG_GET_IN_LEVEL};
}  // namespace

TfrmDigInp::TfrmDigInp(ui::TComponent* owner, shell::AppState& app)
    : TDigitalMeterForm(owner, app, driver::Direction::Record, kInputMeterMessages, "S/PDIF IN") {}

}  // namespace mixer
