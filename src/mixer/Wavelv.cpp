#include "mixer/Wavelv.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "controls/Class_b.h"
#include "controls/audioctl32.h"
#include "driver/messages.h"
#include "settings/winutils.h"
#include "ui/stdctrls.h"

namespace mixer {

namespace {
constexpr MeterMessages kOutputMeterMessages = {
    driver::MSG_START_OUT_METER, driver::MSG_STOP_OUT_METER, driver::MSG_GET_OUT_LEVEL};
constexpr double kTopLevel = 65535.0;
constexpr int kTopPosition = 511;
}  // namespace

// ---- level scale

double OutputLevelScale() {
  static const double k = kTopLevel / std::log10(static_cast<double>(kTopPosition));
  return k;
}

std::uint16_t OutputLevelOf(std::int32_t position) {
  // Below position 1 the logarithm has no level to give.
  if (position <= 0) return 0;
  const double v = OutputLevelScale() * std::log10(static_cast<double>(position) + 1.0);
  return static_cast<std::uint16_t>(std::nearbyint(std::clamp(v, 0.0, kTopLevel)));
}

std::int32_t PositionOfOutputLevel(std::uint16_t level) {
  const double p = std::nearbyint(std::pow(10.0, level / OutputLevelScale())) - 1.0;
  return static_cast<std::int32_t>(std::clamp(p, 0.0, static_cast<double>(kTopPosition)));
}

// ---- the window

TfrmWaveLevel::TfrmWaveLevel(ui::TComponent* owner, shell::AppState& app)
    : TMixerForm(owner, app, driver::Direction::Playback, driver::kKindAnalog, 8),
      meters_(kOutputMeterMessages, [this](int ch, UINT msg, DWORD_PTR p1) { Send(ch, msg, p1); }) {
  controls::RegisterControlClasses();
  Handler("FormCreate", &TfrmWaveLevel::FormCreate);
  Handler("FormDestroy", &TfrmWaveLevel::FormDestroy);
  Handler("FormShow", &TfrmWaveLevel::FormShow);
  Handler("FormClose", &TfrmWaveLevel::FormClose);
  Handler("chkPeakMeterClick", &TfrmWaveLevel::chkPeakMeterClick);
  Handler("chkFaderClick", &TfrmWaveLevel::chkFaderClick);
  Handler("chkLinkClick", &TfrmWaveLevel::chkLinkClick);
  Handler("SliderChange", &TfrmWaveLevel::SliderChange);
  Handler("btnMuteOut1Click", &TfrmWaveLevel::btnMuteOut1Click);
  Member("pnChecks", pnChecks);
  Member("chkPeakMeter", chkPeakMeter);
  Member("chkFader", chkFader);
  Member("grpGround", grpGround);
  Member("ScrollBox1", ScrollBox1);
  Member("pnMeters", pnMeters);
  Member("pnMeter12", pnMeter12);
  Member("pnSliders", pnSliders);
  Member("pnSlider12", pnSlider12);
  Member("pnNumbers", pnNumbers);
  SetMessageHandler(WM_METER_TICK, [this](ui::TMessage& m) { meters_.Tick(m); });
  SetMessageHandler(WM_METER_POLL, [this](ui::TMessage& m) { meters_.Poll(m); });
}

// ---- creation and destruction

void TfrmWaveLevel::FormCreate(ui::TComponent*) {
  SetIcon(app_.MixerIconHandle);
  OpenHandles();
  SetFixedHeight(kFixedHeight);
  BindPanels(pnChecks, grpGround);
  for (int card = 1; card < CardCount(); ++card) CloneStrip(card);
  ForEachSlider(*this, [](ui::TForm&, controls::TSlider& s) { AssignLinkCheck(s); });
  meters_.Setup(*this, ChannelCount(), &level_buffer_);
  volume_buffer_ = driver::AllocSharedBuffer(4);
  level_buffer_ = driver::AllocSharedBuffer(8);
  mute_block_ = driver::AllocSharedBuffer(2 * kMuteWords);
  OutputLevelScale();  // K is worked out once, at the first creation
  guard_.SetOpen(true);
  meters_.SetIntervals(40, 100);
  MarkCreated();
}

void TfrmWaveLevel::CloneStrip(int card) {
  clone_index_ = card;
  const int dx = kStripWidth * card;
  auto renumber = [this](ui::TForm& f, ui::TControl*& c) { RenumberCloneControl(f, c); };
  for (ui::TPanel* section : {pnMeters, pnSliders}) {
    section->SetWidth(section->Width() + kStripWidth);
    settings::CloneComponents(section, section, dx, renumber, this);
  }
  pnNumbers->SetWidth(pnNumbers->Width() + kStripWidth);
  settings::CloneComponents(
      pnNumbers, pnNumbers, dx,
      [this](ui::TForm& f, ui::TControl*& c) { RenumberChannelLabel(f, c); }, this);
}

void TfrmWaveLevel::RenumberCloneControl(ui::TForm&, ui::TControl*& control) {
  const int shift = 8 * clone_index_;
  if (auto* meter = dynamic_cast<controls::TLevelMeter*>(control)) {
    meter->SetTag(meter->Tag() + shift);
  } else if (auto* fader = dynamic_cast<controls::TSlider*>(control)) {
    fader->SetNumber(fader->Number() + shift);
    fader->SetName("Slider" + std::to_string(fader->Number()));
  } else if (auto* button = dynamic_cast<ui::TSpeedButton*>(control)) {
    button->SetTag(button->Tag() + shift);
    char name[16];
    std::snprintf(name, sizeof name, "Mute%08X", static_cast<unsigned>(button->Tag()));
    button->SetName(name);
  } else if (dynamic_cast<ui::TCheckBox*>(control)) {
    control->SetName(NextClonedLinkBoxName());
  }
}

void TfrmWaveLevel::RenumberChannelLabel(ui::TForm&, ui::TControl*& control) {
  if (!dynamic_cast<ui::TLabel*>(control)) return;
  control->SetTag(control->Tag() + 8 * clone_index_);
  control->SetCaption(std::to_string(control->Tag()));
}

void TfrmWaveLevel::FormDestroy(ui::TComponent*) {
  meters_.StopMeters();
  CloseHandles();
  driver::FreeSharedBuffer(volume_buffer_);
  driver::FreeSharedBuffer(level_buffer_);
  driver::FreeSharedBuffer(mute_block_);
}

// ---- show and close

void TfrmWaveLevel::FormShow(ui::TComponent*) {
  guard_.SetOpen(true);
  SetPresetLoading(false);
  LoadOwnSection();
  ReadOutputLevels();
  ReadOutputMutes();
  if (pnMeters->Visible()) StartMeters();
  ApplyStoredChecksPanel();
  BuildSystemMenu();
}

void TfrmWaveLevel::FormClose(ui::TComponent*, ui::TCloseAction&) {
  SaveOwnSection();
  StopMeters();
  NotifyClosed();
}

// ---- option boxes

void TfrmWaveLevel::chkPeakMeterClick(ui::TComponent*) {
  settings::UpdateMenuCheck(chkPeakMeter);
  const bool show = chkPeakMeter->Checked();
  if (!show) StopMeters();
  ShowSection(pnMeters, pnMeter12->Height(), show, {pnSliders, pnNumbers}, {pnMeters, pnSliders});
  if (show) StartMeters();
}

void TfrmWaveLevel::chkFaderClick(ui::TComponent*) {
  settings::UpdateMenuCheck(chkFader);
  ShowSection(pnSliders, pnSlider12->Height(), chkFader->Checked(), {pnNumbers},
              {pnMeters, pnSliders});
}

// ---- faders

void TfrmWaveLevel::chkLinkClick(ui::TComponent* Sender) {
  LinkBoxClicked(Sender, PresetLoading());
}

void TfrmWaveLevel::SliderChange(ui::TComponent* Sender) {
  auto* fader = dynamic_cast<controls::TSlider*>(Sender);
  if (!fader || !guard_.Open()) return;
  ClosedGuard closed(guard_);
  if (!PresetLoading() && IsLinked(*fader)) MoveLinkedSliders(fader, nullptr);
  Send(fader->Number() - 1, driver::DRV_WODM_SETVOLUME, PackPairWords(*fader, &OutputLevelOf));
}

void TfrmWaveLevel::ReadOutputLevels() {
  if (!app_.Cards.CardsPresent || !volume_buffer_.valid()) return;
  ClosedGuard closed(guard_);
  ForEachSlider(*this, [this](ui::TForm&, controls::TSlider& s) {
    Send(s.Number() - 1, driver::DRV_WODM_GETVOLUME, volume_buffer_.At(0));
    const std::uint16_t level = ChannelWordOf(driver::ReadLe32(volume_buffer_.flat), s);
    s.SetPosition(std::clamp(PositionOfOutputLevel(level), s.Min(), s.Max()));
  });
}

// ---- mutes

bool TfrmWaveLevel::IsMuteChannel(int ch) const {
  return mute_block_.valid() && ch >= 0 && ch < ChannelCount() && ch < kMuteWords;
}

std::uint16_t TfrmWaveLevel::MuteWord(int ch) const {
  if (!mute_block_.valid() || ch < 0 || ch >= kMuteWords) return 0;
  return driver::ReadLe16(mute_block_.flat + 2 * ch);
}

void TfrmWaveLevel::ReadOutputMutes() {
  for (ui::TComponent* c : ComponentList()) {
    auto* button = dynamic_cast<ui::TSpeedButton*>(c);
    if (!button) continue;
    const int ch = static_cast<int>(button->Tag());
    if (!IsMuteChannel(ch)) continue;
    Send(ch, driver::MSG_GET_OUT_MUTE, mute_block_.At(driver::MuteBufferOffset(ch)));
    button->SetDown(MuteWord(ch) != 0);
  }
}

void TfrmWaveLevel::btnMuteOut1Click(ui::TComponent* Sender) {
  auto* button = dynamic_cast<ui::TSpeedButton*>(Sender);
  if (!button) return;
  const int ch = static_cast<int>(button->Tag());
  if (!IsMuteChannel(ch)) return;
  const std::uint16_t flag = button->Down() ? 0xFFFF : 0;
  mute_block_.flat[2 * ch] = static_cast<BYTE>(flag);
  mute_block_.flat[2 * ch + 1] = static_cast<BYTE>(flag >> 8);
  Send(ch, driver::MSG_SET_OUT_MUTE,
       driver::ReadLe32(mute_block_.flat + driver::MuteBufferOffset(ch)));
}

}  // namespace mixer
