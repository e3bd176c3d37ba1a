#include "mixer/Wavelv.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "controls/Class_b.h"
#include "controls/audioctl32.h"
#include "driver/messages.h"
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
    : TMixerForm(owner, app, driver::Direction::Playback, driver::kKindAnalog, 8) {
  controls::RegisterControlClasses();
  UseMeters(kOutputMeterMessages, level_buffer_);
  Handler("chkPeakMeterClick", &TMixerForm::OptionBoxClick);
  Handler("chkFaderClick", &TMixerForm::OptionBoxClick);
  Handler("SliderChange", &TMixerForm::SliderChange);
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
}

// ---- creation

MixerParts TfrmWaveLevel::Parts() {
  return {.layout = {.design_height = kFixedHeight,
                     .option_row = pnChecks,
                     .ground = grpGround,
                     .sections = {{pnMeters, chkPeakMeter, pnMeter12->Height()},
                                  {pnSliders, chkFader, pnSlider12->Height()},
                                  {pnNumbers}}},
          .strip = {pnMeters, pnSliders, pnNumbers},
          .meter_panel = pnMeters};
}

// A mute button is named after its new Tag.
bool TfrmWaveLevel::RenumberOwnClone(ui::TControl* control) {
  auto* button = dynamic_cast<ui::TSpeedButton*>(control);
  if (!button) return false;
  button->SetTag(button->Tag() + 8 * clone_index_);
  char name[16];
  std::snprintf(name, sizeof name, "Mute%08X", static_cast<unsigned>(button->Tag()));
  button->SetName(name);
  return true;
}

void TfrmWaveLevel::CreateState() {
  volume_buffer_.Allocate(4);
  level_buffer_.Allocate(8);
  mute_block_.Allocate(2 * kMuteWords);
  OutputLevelScale();  // K is worked out once, at the first creation
}

void TfrmWaveLevel::ReadDriverState() {
  ReadOutputLevels();
  ReadOutputMutes();
}

// ---- faders

void TfrmWaveLevel::WriteFader(const controls::TSlider& fader) {
  Send(fader.Number() - 1, driver::DRV_WODM_SETVOLUME, PackPairWords(fader, &OutputLevelOf));
}

void TfrmWaveLevel::ReadOutputLevels() {
  ReadFaders(driver::DRV_WODM_GETVOLUME, volume_buffer_,
             [](std::uint16_t level, const controls::TSlider& s) {
               return std::clamp(PositionOfOutputLevel(level), s.Min(), s.Max());
             });
}

// ---- mutes

bool TfrmWaveLevel::IsMuteChannel(int ch) const {
  return mute_block_.valid() && ch >= 0 && ch < ChannelCount() && ch < kMuteWords;
}

std::uint16_t TfrmWaveLevel::MuteWord(int ch) const {
  if (!mute_block_.valid() || ch < 0 || ch >= kMuteWords) return 0;
  return driver::ReadLe16(mute_block_.flat() + 2 * ch);
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
  mute_block_.flat()[2 * ch] = static_cast<BYTE>(flag);
  mute_block_.flat()[2 * ch + 1] = static_cast<BYTE>(flag >> 8);
  Send(ch, driver::MSG_SET_OUT_MUTE,
       driver::ReadLe32(mute_block_.flat() + driver::MuteBufferOffset(ch)));
}

}  // namespace mixer
