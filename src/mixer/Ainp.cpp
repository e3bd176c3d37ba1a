#include "mixer/Ainp.h"

#include <cstdio>

#include "controls/Class_b.h"
#include "controls/audioctl32.h"
#include "mixer/Mon.h"
#include "settings/winutils.h"
#include "shell/Mixctrl.h"
#include "ui/stdctrls.h"

namespace mixer {

namespace {
constexpr MeterMessages kInputMeterMessages = {driver::MSG_START_IN_METER,
                                               driver::MSG_STOP_IN_METER, driver::MSG_GET_IN_LEVEL};
constexpr int kChannelMask = 0xFFFF;
int TagChannel(std::int32_t tag) {
  return tag & kChannelMask;
}
int TagKind(std::int32_t tag) {
  return (tag >> 16) & 0xFF;
}
}  // namespace

TfrmAnalogInp::TfrmAnalogInp(ui::TComponent* owner, shell::AppState& app)
    : TMixerForm(owner, app, driver::Direction::Record, driver::kKindAnalog, 8) {
  controls::RegisterControlClasses();
  UseMeters(kInputMeterMessages, level_buffer_);
  Handler("chkSourceSelectClick", &TMixerForm::OptionBoxClick);
  Handler("chkPeakMeterClick", &TMixerForm::OptionBoxClick);
  Handler("chkGainSliderClick", &TMixerForm::OptionBoxClick);
  Handler("Slider3Change", &TMixerForm::SliderChange);
  Handler("RouteButtonClick", &TfrmAnalogInp::RouteButtonClick);
  Member("pnChecks", pnChecks);
  Member("chkSourceSelect", chkSourceSelect);
  Member("chkPeakMeter", chkPeakMeter);
  Member("chkGainSlider", chkGainSlider);
  Member("grpInput", grpInput);
  Member("ScrollBox1", ScrollBox1);
  Member("pnSrcSel", pnSrcSel);
  Member("pnMeters", pnMeters);
  Member("pnSliders", pnSliders);
  Member("pnNumbers", pnNumbers);
}

// ---- creation

MixerParts TfrmAnalogInp::Parts() {
  return {.layout = {.design_height = kFixedHeight,
                     .option_row = pnChecks,
                     .ground = grpInput,
                     .sections = {{pnSrcSel, chkSourceSelect, kSourceHeight},
                                  {pnMeters, chkPeakMeter, kMeterHeight},
                                  {pnSliders, chkGainSlider, kSliderHeight},
                                  {pnNumbers}}},
          .strip = {pnSrcSel, pnMeters, pnSliders, pnNumbers},
          .meter_panel = pnMeters};
}

// A source button keeps its source in the Tag's upper bits and is named
// after the new Tag.
bool TfrmAnalogInp::RenumberOwnClone(ui::TControl* control) {
  auto* button = dynamic_cast<ui::TSpeedButton*>(control);
  if (!button) return false;
  const int shift = 8 * clone_index_;
  const std::int32_t tag =
      (button->Tag() & ~kChannelMask) | ((TagChannel(button->Tag()) + shift) & kChannelMask);
  button->SetTag(tag);
  char name[16];
  std::snprintf(name, sizeof name, "Route%08X", static_cast<unsigned>(tag));
  button->SetName(name);
  return true;
}

void TfrmAnalogInp::CreateState() {
  source_block_.Allocate(4 * kPairRecords);
  gain_buffer_.Allocate(4);
  level_buffer_.Allocate(8);
  BuildRouteTable();
}

ui::TSpeedButton* TfrmAnalogInp::FindRouteButton(int ch, int kind) const {
  for (ui::TComponent* c : ComponentList()) {
    auto* b = dynamic_cast<ui::TSpeedButton*>(c);
    if (b && TagChannel(b->Tag()) == ch && TagKind(b->Tag()) == kind) return b;
  }
  return nullptr;
}

void TfrmAnalogInp::BuildRouteTable() {
  for (int ch = 0; ch < ChannelCount(); ++ch) {
    route_[ch][driver::kSourceLine] = FindRouteButton(ch, driver::kSourceLine);
    route_[ch][driver::kSourceMic] = FindRouteButton(ch, driver::kSourceMic);
    const int i = ch % 8;
    route_[ch][driver::kSourceCd] =
        (i == 2 || i == 3) ? FindRouteButton(ch & ~1, driver::kSourceCd) : nullptr;
  }
}

ui::TSpeedButton* TfrmAnalogInp::Route(int ch, int kind) const {
  if (ch < 0 || ch >= ChannelCount() || kind < 0 || kind > 2) return nullptr;
  return route_[ch][kind];
}

// ---- the driver's state and the faders

void TfrmAnalogInp::ReadDriverState() {
  ReadInputSources();
  ReadInputGains();
}

void TfrmAnalogInp::WriteFader(const controls::TSlider& fader) {
  Send(fader.Number() - 1, driver::MSG_SET_IN_GAIN, PackGainPair(fader));
}

void TfrmAnalogInp::ReadInputGains() {
  ReadFaders(driver::MSG_GET_IN_GAIN, gain_buffer_, &PositionOfWordRounded);
}

// ---- sources

std::uint8_t TfrmAnalogInp::SourceByte(int ch) const {
  return source_block_.flat()[driver::SourceBlockOffset(ch / 2) + ((ch & 1) ? 2 : 0)];
}

void TfrmAnalogInp::WriteSourceByte(int ch, std::uint8_t source) {
  source_block_.flat()[driver::SourceBlockOffset(ch / 2) + ((ch & 1) ? 2 : 0)] = source;
}

driver::InputPairRecord TfrmAnalogInp::PairRecord(int pair) const {
  if (!source_block_.valid() || pair < 0 || pair >= kPairRecords) return {};
  return driver::InputPairRecord::Read(source_block_.flat() + driver::SourceBlockOffset(pair));
}

void TfrmAnalogInp::MirrorPairRecord(int pair, const driver::InputPairRecord& record) {
  if (!source_block_.valid() || pair < 0 || pair >= kPairRecords) return;
  record.Write(source_block_.flat() + driver::SourceBlockOffset(pair));
}

void TfrmAnalogInp::ReadInputSources() {
  if (!source_block_.valid()) return;
  for (int p = 0; p < 4 * CardCount(); ++p) {
    const int ch = 2 * p;
    Send(ch, driver::MSG_GET_IN_PAIR, source_block_.At(driver::SourceBlockOffset(p)));
    const driver::InputPairRecord r = PairRecord(p);
    // A source without a button of its channel shows no source at all
    // rather than a wrong one.
    for (int c = ch; c <= ch + 1; ++c) {
      const std::uint8_t source = c == ch ? r.source_left : r.source_right;
      ui::TSpeedButton* pressed = Route(c, source);
      if (pressed) {
        pressed->SetDown(true);
      } else {
        for (int kind = 0; kind < 3; ++kind)
          if (ui::TSpeedButton* b = Route(c, kind)) b->SetDown(false);
      }
    }
    const bool cd = r.source_left == driver::kSourceCd || r.source_right == driver::kSourceCd;
    if (cd && Route(ch, driver::kSourceCd)) {
      for (int c = ch; c <= ch + 1; ++c)
        for (int kind : {driver::kSourceLine, driver::kSourceMic})
          if (ui::TSpeedButton* b = Route(c, kind)) b->SetDown(false);
    }
  }
}

void TfrmAnalogInp::RouteButtonClick(ui::TComponent* Sender) {
  auto* button = dynamic_cast<ui::TSpeedButton*>(Sender);
  if (!button) return;
  // A channel always keeps one source: a click on the pressed button only
  // released it.
  if (!button->Down()) {
    if (!PresetLoading()) button->SetDown(true);
    return;
  }
  const int ch = TagChannel(button->Tag());
  const int kind = TagKind(button->Tag());
  if (ch >= ChannelCount() || !source_block_.valid()) return;
  const int left = ch & ~1;
  if (kind == driver::kSourceCd) {
    for (int k : {driver::kSourceLine, driver::kSourceMic})
      if (ui::TSpeedButton* b = Route(left + 1, k)) b->SetDown(false);
    WriteSourceByte(left, driver::kSourceCd);
    WriteSourceByte(left + 1, driver::kSourceCd);
  } else if (SourceByte(ch) == driver::kSourceCd) {
    for (int c = left; c <= left + 1; ++c) {
      if (ui::TSpeedButton* b = Route(c, kind)) b->SetDown(true);
      WriteSourceByte(c, static_cast<std::uint8_t>(kind));
    }
  } else {
    WriteSourceByte(ch, static_cast<std::uint8_t>(kind));
  }
  Send(ch, driver::MSG_SET_IN_PAIR,
       driver::ReadLe32(source_block_.flat() + driver::SourceBlockOffset(ch / 2)));
  SourceChangeFollowUp();
}

TfrmMon* TfrmAnalogInp::MonitorWindow() const {
  if (!app_.MixControlWnd) return nullptr;
  return dynamic_cast<TfrmMon*>(app_.MixControlWnd->Slot(shell::MixerSlot::AnalogMonitors));
}

// The driver may change the monitor state and the gains with the source.
void TfrmAnalogInp::SourceChangeFollowUp() {
  if (TfrmMon* mon = MonitorWindow()) {
    mon->ReadMonitorGains();
    mon->ReadMonitorState();
  }
  if (!PresetLoading()) ReadInputGains();
}

}  // namespace mixer
