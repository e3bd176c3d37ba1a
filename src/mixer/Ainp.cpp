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
    : TMixerForm(owner, app, driver::Direction::Record, driver::kKindAnalog, 8),
      meters_(kInputMeterMessages, [this](int ch, UINT msg, DWORD_PTR p1) { Send(ch, msg, p1); }) {
  controls::RegisterControlClasses();
  Handler("FormCreate", &TfrmAnalogInp::FormCreate);
  Handler("FormDestroy", &TfrmAnalogInp::FormDestroy);
  Handler("FormShow", &TfrmAnalogInp::FormShow);
  Handler("FormClose", &TfrmAnalogInp::FormClose);
  Handler("chkSourceSelectClick", &TfrmAnalogInp::chkSourceSelectClick);
  Handler("chkPeakMeterClick", &TfrmAnalogInp::chkPeakMeterClick);
  Handler("chkGainSliderClick", &TfrmAnalogInp::chkGainSliderClick);
  Handler("chkLinkClick", &TfrmAnalogInp::chkLinkClick);
  Handler("Slider3Change", &TfrmAnalogInp::Slider3Change);
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
  SetMessageHandler(WM_METER_TICK, [this](ui::TMessage& m) { meters_.Tick(m); });
  SetMessageHandler(WM_METER_POLL, [this](ui::TMessage& m) { meters_.Poll(m); });
}

// ---- creation and destruction

void TfrmAnalogInp::FormCreate(ui::TComponent*) {
  OpenHandles();
  SetIcon(app_.MixerIconHandle);
  SetFixedHeight(kFixedHeight);
  BindPanels(pnChecks, grpInput);
  for (int card = 1; card < CardCount(); ++card) CloneStrip(card);
  ForEachSlider(*this, [](ui::TForm&, controls::TSlider& s) { AssignLinkCheck(s); });
  meters_.Setup(*this, ChannelCount(), &level_buffer_);
  meters_.SetIntervals(40, 100);
  source_block_ = driver::AllocSharedBuffer(4 * kPairRecords);
  gain_buffer_ = driver::AllocSharedBuffer(4);
  level_buffer_ = driver::AllocSharedBuffer(8);
  BuildRouteTable();
  MarkCreated();
}

void TfrmAnalogInp::CloneStrip(int card) {
  clone_index_ = card;
  const int dx = kStripWidth * card;
  auto renumber = [this](ui::TForm& f, ui::TControl*& c) { RenumberCloneControl(f, c); };
  for (ui::TPanel* section : {pnSrcSel, pnMeters, pnSliders}) {
    section->SetWidth(section->Width() + kStripWidth);
    settings::CloneComponents(section, section, dx, renumber, this);
  }
  pnNumbers->SetWidth(pnNumbers->Width() + kStripWidth);
  settings::CloneComponents(
      pnNumbers, pnNumbers, dx,
      [this](ui::TForm& f, ui::TControl*& c) { RenumberChannelLabel(f, c); }, this);
}

void TfrmAnalogInp::RenumberCloneControl(ui::TForm&, ui::TControl*& control) {
  const int shift = 8 * clone_index_;
  if (auto* meter = dynamic_cast<controls::TLevelMeter*>(control)) {
    meter->SetTag(meter->Tag() + shift);
  } else if (auto* fader = dynamic_cast<controls::TSlider*>(control)) {
    fader->SetNumber(fader->Number() + shift);
    fader->SetName("Slider" + std::to_string(fader->Number()));
  } else if (auto* button = dynamic_cast<ui::TSpeedButton*>(control)) {
    const std::int32_t tag =
        (button->Tag() & ~kChannelMask) | ((TagChannel(button->Tag()) + shift) & kChannelMask);
    button->SetTag(tag);
    char name[16];
    std::snprintf(name, sizeof name, "Route%08X", static_cast<unsigned>(tag));
    button->SetName(name);
  } else if (dynamic_cast<ui::TCheckBox*>(control)) {
    control->SetName(NextClonedLinkBoxName());
  }
}

void TfrmAnalogInp::RenumberChannelLabel(ui::TForm&, ui::TControl*& control) {
  if (!dynamic_cast<ui::TLabel*>(control)) return;
  control->SetTag(control->Tag() + 8 * clone_index_);
  control->SetCaption(std::to_string(control->Tag()));
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

void TfrmAnalogInp::FormDestroy(ui::TComponent*) {
  meters_.StopMeters();
  CloseHandles();
  driver::FreeSharedBuffer(source_block_);
  driver::FreeSharedBuffer(gain_buffer_);
  driver::FreeSharedBuffer(level_buffer_);
}

// ---- show and close

void TfrmAnalogInp::FormShow(ui::TComponent*) {
  guard_.SetOpen(true);
  SetPresetLoading(false);
  LoadOwnSection();
  ReadInputSources();
  ReadInputGains();
  if (pnMeters->Visible()) StartMeters();
  ApplyStoredChecksPanel();
  BuildSystemMenu();
}

void TfrmAnalogInp::FormClose(ui::TComponent*, ui::TCloseAction&) {
  SaveOwnSection();
  StopMeters();
  NotifyClosed();
}

// ---- option boxes

void TfrmAnalogInp::chkSourceSelectClick(ui::TComponent*) {
  settings::UpdateMenuCheck(chkSourceSelect);
  ShowSection(pnSrcSel, kSourceHeight, chkSourceSelect->Checked(), {pnMeters, pnSliders, pnNumbers},
              {pnSrcSel, pnMeters, pnSliders});
}

void TfrmAnalogInp::chkPeakMeterClick(ui::TComponent*) {
  settings::UpdateMenuCheck(chkPeakMeter);
  const bool show = chkPeakMeter->Checked();
  if (!show) StopMeters();
  ShowSection(pnMeters, kMeterHeight, show, {pnSliders, pnNumbers},
              {pnSrcSel, pnMeters, pnSliders});
  if (show) StartMeters();
}

void TfrmAnalogInp::chkGainSliderClick(ui::TComponent*) {
  settings::UpdateMenuCheck(chkGainSlider);
  ShowSection(pnSliders, kSliderHeight, chkGainSlider->Checked(), {pnNumbers},
              {pnSrcSel, pnMeters, pnSliders});
}

// ---- faders

void TfrmAnalogInp::chkLinkClick(ui::TComponent* Sender) {
  LinkBoxClicked(Sender, PresetLoading());
}

void TfrmAnalogInp::Slider3Change(ui::TComponent* Sender) {
  auto* fader = dynamic_cast<controls::TSlider*>(Sender);
  if (!fader || !guard_.Open()) return;
  ClosedGuard closed(guard_);
  if (!PresetLoading() && IsLinked(*fader)) MoveLinkedSliders(fader, nullptr);
  Send(fader->Number() - 1, driver::MSG_SET_IN_GAIN, PackGainPair(*fader));
}

void TfrmAnalogInp::ReadInputGains() {
  if (!app_.Cards.CardsPresent || !gain_buffer_.valid()) return;
  ClosedGuard closed(guard_);
  ForEachSlider(*this, [this](ui::TForm&, controls::TSlider& s) {
    Send(s.Number() - 1, driver::MSG_GET_IN_GAIN, gain_buffer_.At(0));
    s.SetPosition(PositionOfWordRounded(ChannelWordOf(driver::ReadLe32(gain_buffer_.flat), s), s));
  });
}

// ---- sources

std::uint8_t TfrmAnalogInp::SourceByte(int ch) const {
  return source_block_.flat[driver::SourceBlockOffset(ch / 2) + ((ch & 1) ? 2 : 0)];
}

void TfrmAnalogInp::WriteSourceByte(int ch, std::uint8_t source) {
  source_block_.flat[driver::SourceBlockOffset(ch / 2) + ((ch & 1) ? 2 : 0)] = source;
}

driver::InputPairRecord TfrmAnalogInp::PairRecord(int pair) const {
  if (!source_block_.valid() || pair < 0 || pair >= kPairRecords) return {};
  return driver::InputPairRecord::Read(source_block_.flat + driver::SourceBlockOffset(pair));
}

void TfrmAnalogInp::MirrorPairRecord(int pair, const driver::InputPairRecord& record) {
  if (!source_block_.valid() || pair < 0 || pair >= kPairRecords) return;
  record.Write(source_block_.flat + driver::SourceBlockOffset(pair));
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
       driver::ReadLe32(source_block_.flat + driver::SourceBlockOffset(ch / 2)));
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
