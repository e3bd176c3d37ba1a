#include "mixer/Mon.h"

#include <algorithm>

#include "controls/audioctl32.h"
#include "mixer/Ainp.h"
#include "settings/winutils.h"
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
  Handler("FormCreate", &TfrmMon::FormCreate);
  Handler("FormDestroy", &TfrmMon::FormDestroy);
  Handler("FormShow", &TfrmMon::FormShow);
  Handler("FormClose", &TfrmMon::FormClose);
  Handler("chkFadersClick", &TfrmMon::chkFadersClick);
  Handler("chkLinkClick", &TfrmMon::chkLinkClick);
  Handler("SliderChange", &TfrmMon::SliderChange);
  Handler("MonModeClick", &TfrmMon::MonModeClick);
  Handler("MuteWaveOutClick", &TfrmMon::MuteWaveOutClick);
  Member("pnChecks", pnChecks);
  Member("chkFaders", chkFaders);
  Member("pnGround", pnGround);
  Member("grpSliders", grpSliders);
}

// ---- creation and destruction

void TfrmMon::FormCreate(ui::TComponent*) {
  SetIcon(app_.MixerIconHandle);
  OpenHandles();
  SetFixedHeight(kFixedHeight);
  BindPanels(pnChecks, pnGround);
  for (int card = 1; card < CardCount(); ++card) {
    clone_index_ = card;
    grpSliders->SetWidth(grpSliders->Width() + kStripWidth);
    settings::CloneComponents(
        grpSliders, grpSliders, kStripWidth * card,
        [this](ui::TForm& f, ui::TControl*& c) { RenumberCloneControl(f, c); }, this);
  }
  ForEachSlider(*this, [](ui::TForm&, controls::TSlider& s) { AssignLinkCheck(s); });
  for (ui::TComponent* c : ComponentList()) {
    auto* b = dynamic_cast<ui::TSpeedButton*>(c);
    if (!b || !IsModeButton(*b)) continue;
    const int p = PairOf(*b);
    if (p >= 0 && p < kPairs) last_mode_button_[p] = b;
  }
  gate_buffer_ = driver::AllocSharedBuffer(4);
  gain_buffer_ = driver::AllocSharedBuffer(4);
  record_buffer_ = driver::AllocSharedBuffer(4);
  guard_.SetOpen(true);
  MarkCreated();
}

void TfrmMon::RenumberCloneControl(ui::TForm&, ui::TControl*& control) {
  const int card = clone_index_;
  if (auto* fader = dynamic_cast<controls::TSlider*>(control)) {
    fader->SetNumber(fader->Number() + 8 * card);
    fader->SetName("Slider" + std::to_string(fader->Number()));
  } else if (auto* button = dynamic_cast<ui::TSpeedButton*>(control)) {
    button->SetGroupIndex(button->GroupIndex() + 4 * card);
  } else if (dynamic_cast<ui::TCheckBox*>(control)) {
    control->SetName(NextClonedLinkBoxName());
  } else if (dynamic_cast<ui::TLabel*>(control) && control->Tag() > 0) {
    control->SetTag(control->Tag() + 8 * card);
    control->SetCaption(std::to_string(control->Tag()));
  }
}

void TfrmMon::FormDestroy(ui::TComponent*) {
  CloseHandles();
  driver::FreeSharedBuffer(gate_buffer_);
  driver::FreeSharedBuffer(gain_buffer_);
  driver::FreeSharedBuffer(record_buffer_);
}

// ---- show and close

void TfrmMon::FormShow(ui::TComponent*) {
  LoadOwnSection();
  ReadMonitorGains();
  ReadMonitorState();
  ApplyStoredChecksPanel();
  BuildSystemMenu();
}

void TfrmMon::FormClose(ui::TComponent*, ui::TCloseAction&) {
  // A preset loaded into a window made only for the load ends here.
  WriteNotedModes();
  SaveOwnSection();
  NotifyClosed();
}

void TfrmMon::chkFadersClick(ui::TComponent*) {
  settings::UpdateMenuCheck(chkFaders);
  ShowGround(chkFaders->Checked());
}

// ---- monitor faders

void TfrmMon::chkLinkClick(ui::TComponent* Sender) {
  LinkBoxClicked(Sender, PresetLoading());
}

void TfrmMon::SliderChange(ui::TComponent* Sender) {
  auto* fader = dynamic_cast<controls::TSlider*>(Sender);
  if (!fader || !guard_.Open()) return;
  ClosedGuard closed(guard_);
  if (!PresetLoading() && IsLinked(*fader)) MoveLinkedSliders(fader, nullptr);
  Send(fader->Number() - 1, driver::MSG_SET_MON_GAIN, PackGainPair(*fader));
}

void TfrmMon::ReadMonitorGains() {
  if (!app_.Cards.CardsPresent || !gain_buffer_.valid()) return;
  ClosedGuard closed(guard_);
  ForEachSlider(*this, [this](ui::TForm&, controls::TSlider& s) {
    Send(s.Number() - 1, driver::MSG_GET_MON_GAIN, gain_buffer_.At(0));
    const std::int32_t pos =
        PositionOfWordTruncated(ChannelWordOf(driver::ReadLe32(gain_buffer_.flat), s));
    s.SetPosition(std::clamp(pos, s.Min(), std::max(s.Min(), s.Max())));
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
  record_buffer_.flat[3] = mode;
  Send(ch, driver::MSG_SET_IN_PAIR, driver::ReadLe32(record_buffer_.flat));
  MirrorPairRecord(ch / 2);
}

void TfrmMon::SetMonitorGate(int ch, const ui::TSpeedButton& button) {
  const std::uint16_t w = (button.Tag() == kTagOn && button.Down()) ? kGateOpen : kGateClosed;
  const driver::MonitorGatePair gate{{w, w}};
  if (gate_buffer_.valid()) gate.Write(gate_buffer_.flat);
  Send(ch, driver::MSG_SET_MON_GATE, gate.Pack());
}

void TfrmMon::MuteWaveOutClick(ui::TComponent* Sender) {
  auto* button = dynamic_cast<ui::TSpeedButton*>(Sender);
  if (!button || !record_buffer_.valid() || !gate_buffer_.valid()) return;
  const int pair = PairOf(*button);
  if (pair < 0 || pair >= kPairs) return;
  const int ch = 2 * pair;
  Send(ch, driver::MSG_GET_IN_PAIR, record_buffer_.At(0));
  record_buffer_.flat[1] = button->Down() ? 1 : 0;
  Send(ch, driver::MSG_SET_IN_PAIR, driver::ReadLe32(record_buffer_.flat));
  MirrorPairRecord(pair);
  // The gate words go back unchanged.
  Send(ch, driver::MSG_GET_MON_GATE, gate_buffer_.At(0));
  Send(ch, driver::MSG_SET_MON_GATE, driver::ReadLe32(gate_buffer_.flat));
}

TfrmAnalogInp* TfrmMon::InputsWindow() const {
  if (!app_.MixControlWnd) return nullptr;
  return dynamic_cast<TfrmAnalogInp*>(app_.MixControlWnd->Slot(shell::MixerSlot::AnalogInputs));
}

void TfrmMon::MirrorPairRecord(int pair) {
  if (TfrmAnalogInp* inputs = InputsWindow())
    inputs->MirrorPairRecord(pair, driver::InputPairRecord::Read(record_buffer_.flat));
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
    const driver::InputPairRecord r = driver::InputPairRecord::Read(record_buffer_.flat);
    const std::uint16_t gate0 = driver::ReadLe16(gate_buffer_.flat);
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
