#include "mixer/Mon.h"

#include <algorithm>

#include "controls/audioctl32.h"
#include "mixer/Ainp.h"
#include "shell/Mixctrl.h"
#include "ui/stdctrls.h"

namespace mixer {

namespace {
constexpr std::uint16_t kGateOpen = 0x0000;
constexpr std::uint16_t kGateClosed = 0xFFFF;

bool IsModeButton(const ui::TSpeedButton& b) {
  return b.Tag() < TfrmMon::kTagMute;
}
int PairOf(const ui::TSpeedButton& b) {
  return IsModeButton(b) ? b.GroupIndex() - TfrmMon::kModeGroupBase
                         : b.GroupIndex() - TfrmMon::kMuteGroupBase;
}
}  // namespace

TfrmMon::TfrmMon(ui::TComponent* owner, shell::AppState& app)
    : TMixerForm(owner, app, driver::Direction::Record, driver::kKindAnalog, 8) {
  controls::RegisterControlClasses();
  Handler("chkFadersClick", &TMixerForm::OptionBoxClick);
  Handler("SliderChange", &TMixerForm::SliderChange);
  Handler("MonModeClick", &TfrmMon::MonModeClick);
  Handler("MuteWaveOutClick", &TfrmMon::MuteWaveOutClick);
  Member("pnChecks", pnChecks);
  Member("chkFaders", chkFaders);
  Member("pnGround", pnGround);
  Member("grpSliders", grpSliders);
}

// ---- creation

MixerParts TfrmMon::Parts() {
  return {.layout = {.design_height = kFixedHeight,
                     .option_row = pnChecks,
                     .ground = pnGround,
                     .ground_box = chkFaders,
                     .sections = {}},
          .strip = {grpSliders}};
}

// A clone's mode and mute buttons form their own groups, which address
// the card's own pairs.
bool TfrmMon::RenumberOwnClone(ui::TControl* control) {
  auto* button = dynamic_cast<ui::TSpeedButton*>(control);
  if (!button) return false;
  button->SetGroupIndex(button->GroupIndex() + 4 * clone_index_);
  return true;
}

void TfrmMon::CreateState() {
  for (ui::TComponent* c : ComponentList()) {
    auto* b = dynamic_cast<ui::TSpeedButton*>(c);
    if (!b || !IsModeButton(*b)) continue;
    const int p = PairOf(*b);
    if (p >= 0 && p < kPairs) last_mode_button_[p] = b;
  }
  gate_buffer_.Allocate(4);
  gain_buffer_.Allocate(4);
  record_buffer_.Allocate(4);
}

void TfrmMon::ReadDriverState() {
  ReadMonitorGains();
  ReadMonitorState();
}

// ---- monitor faders

void TfrmMon::WriteFader(const controls::TSlider& fader) {
  Send(fader.Number() - 1, driver::MSG_SET_MON_GAIN, PackGainPair(fader));
}

void TfrmMon::ReadMonitorGains() {
  ReadFaders(
      driver::MSG_GET_MON_GAIN, gain_buffer_, [](std::uint16_t word, const controls::TSlider& s) {
        return std::clamp(PositionOfWordTruncated(word), s.Min(), std::max(s.Min(), s.Max()));
      });
}

// ---- monitor mode and mute

std::vector<ui::TSpeedButton*> TfrmMon::ModeButtons(int pair) const {
  std::vector<ui::TSpeedButton*> out;
  for (ui::TComponent* c : ComponentList()) {
    auto* b = dynamic_cast<ui::TSpeedButton*>(c);
    if (b && IsModeButton(*b) && PairOf(*b) == pair) out.push_back(b);
  }
  return out;
}

void TfrmMon::MonModeClick(ui::TComponent* Sender) {
  auto* button = dynamic_cast<ui::TSpeedButton*>(Sender);
  if (!button) return;
  const int pair = PairOf(*button);
  if (pair < 0 || pair >= kPairs) return;
  if (PresetLoading()) {
    // Every mode button of the pair is loaded and clicked in turn; only
    // the pair's final state may reach the driver.
    noted_[pair] = true;
    if (button == last_mode_button_[pair]) WriteNotedMode(pair);
    return;
  }
  WriteNotedModes();
  WriteMode(pair, *button);
}

void TfrmMon::WriteMode(int pair, const ui::TSpeedButton& button) {
  const int ch = 2 * pair;
  if (!record_buffer_.valid()) return;
  Send(ch, driver::MSG_GET_IN_PAIR, record_buffer_.At(0));
  if (button.Down()) {
    SetMonitorMode(ch, button);
    SetMonitorGate(ch, button);
  } else {
    SetMonitorGate(ch, button);
    SetMonitorMode(ch, button);
  }
}

void TfrmMon::WriteNotedMode(int pair) {
  noted_[pair] = false;
  std::vector<ui::TSpeedButton*> buttons = ModeButtons(pair);
  if (buttons.empty()) return;
  auto pressed = std::find_if(buttons.begin(), buttons.end(),
                              [](const ui::TSpeedButton* b) { return b->Down(); });
  WriteMode(pair, pressed != buttons.end() ? **pressed : *buttons.front());
}

void TfrmMon::WriteNotedModes() {
  for (int p = 0; p < kPairs; ++p)
    if (noted_[p]) WriteNotedMode(p);
}

void TfrmMon::SetMonitorMode(int ch, const ui::TSpeedButton& button) {
  std::uint8_t mode = driver::kMonitorOff;
  if (button.Down())
    mode = button.Tag() == kTagOnRec ? driver::kMonitorWhileRecording : driver::kMonitorOn;
  record_buffer_.flat()[3] = mode;
  Send(ch, driver::MSG_SET_IN_PAIR, driver::ReadLe32(record_buffer_.flat()));
  MirrorPairRecord(ch / 2);
}

void TfrmMon::SetMonitorGate(int ch, const ui::TSpeedButton& button) {
  const std::uint16_t w = (button.Tag() == kTagOn && button.Down()) ? kGateOpen : kGateClosed;
  const driver::MonitorGatePair gate{{w, w}};
  if (gate_buffer_.valid()) gate.Write(gate_buffer_.flat());
  Send(ch, driver::MSG_SET_MON_GATE, gate.Pack());
}

void TfrmMon::MuteWaveOutClick(ui::TComponent* Sender) {
  auto* button = dynamic_cast<ui::TSpeedButton*>(Sender);
  if (!button || !record_buffer_.valid() || !gate_buffer_.valid()) return;
  const int pair = PairOf(*button);
  if (pair < 0 || pair >= kPairs) return;
  const int ch = 2 * pair;
  Send(ch, driver::MSG_GET_IN_PAIR, record_buffer_.At(0));
  record_buffer_.flat()[1] = button->Down() ? 1 : 0;
  Send(ch, driver::MSG_SET_IN_PAIR, driver::ReadLe32(record_buffer_.flat()));
  MirrorPairRecord(pair);
  // The gate words go back unchanged.
  Send(ch, driver::MSG_GET_MON_GATE, gate_buffer_.At(0));
  Send(ch, driver::MSG_SET_MON_GATE, driver::ReadLe32(gate_buffer_.flat()));
}

TfrmAnalogInp* TfrmMon::InputsWindow() const {
  if (!app_.MixControlWnd) return nullptr;
  return dynamic_cast<TfrmAnalogInp*>(app_.MixControlWnd->Slot(shell::MixerSlot::AnalogInputs));
}

void TfrmMon::MirrorPairRecord(int pair) {
  if (TfrmAnalogInp* inputs = InputsWindow())
    inputs->MirrorPairRecord(pair, driver::InputPairRecord::Read(record_buffer_.flat()));
}

// ---- reading the state

void TfrmMon::ReadMonitorState() {
  if (!record_buffer_.valid() || !gate_buffer_.valid()) return;
  int record_ch = -1, gate_ch = -1;
  for (ui::TComponent* c : ComponentList()) {
    auto* b = dynamic_cast<ui::TSpeedButton*>(c);
    if (!b) continue;
    const int ch = 2 * PairOf(*b);
    if (ch < 0 || ch >= ChannelCount()) continue;
    if (ch != record_ch) {
      Send(ch, driver::MSG_GET_IN_PAIR, record_buffer_.At(0));
      record_ch = ch;
    }
    if (ch != gate_ch) {
      Send(ch, driver::MSG_GET_MON_GATE, gate_buffer_.At(0));
      gate_ch = ch;
    }
    const driver::InputPairRecord r = driver::InputPairRecord::Read(record_buffer_.flat());
    const std::uint16_t gate0 = driver::ReadLe16(gate_buffer_.flat());
    bool down = false;
    switch (b->Tag()) {
      case kTagOn:
        down = (r.monitor_mode == driver::kMonitorOff || r.monitor_mode == driver::kMonitorOn) &&
               gate0 == kGateOpen;
        break;
      case kTagOnPunch:
        down = r.monitor_mode == driver::kMonitorOn && gate0 != kGateOpen;
        break;
      case kTagOnRec:
        down = r.monitor_mode == driver::kMonitorWhileRecording;
        break;
      default:
        down = r.playback_mute != 0;
        break;
    }
    b->SetDown(down);
  }
}

}  // namespace mixer
