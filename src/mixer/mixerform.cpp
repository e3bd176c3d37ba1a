#include "mixer/mixerform.h"

#include <algorithm>

#include "controls/audioctl32.h"
#include "driver/messages.h"
#include "mixer/clonenumbers.h"
#include "platform/windowing.h"
#include "settings/formstate.h"
#include "settings/mixset.h"
#include "settings/winutils.h"
#include "shell/Mixctrl.h"
#include "shell/tbmainf.h"
#include "ui/stdctrls.h"

namespace mixer {

namespace {
constexpr UINT kMeterTick = 40;
constexpr UINT kMeterPoll = 100;
}  // namespace

TMixerForm::TMixerForm(ui::TComponent* owner, shell::AppState& app, driver::Direction direction,
                       int kind, int channels_per_card)
    : shell::TMixerWindow(owner, app),
      direction_(direction),
      kind_(kind),
      channels_per_card_(channels_per_card) {
  Handler("FormCreate", &TMixerForm::FormCreate);
  Handler("FormDestroy", &TMixerForm::FormDestroy);
  Handler("FormShow", &TMixerForm::FormShow);
  Handler("FormClose", &TMixerForm::FormClose);
  Handler("chkLinkClick", &TMixerForm::chkLinkClick);
  SetMessageHandler(WM_GETMINMAXINFO, [this](ui::TMessage& m) { WMGetMinMaxInfo(m); });
  SetMessageHandler(WM_SYSCOMMAND, [this](ui::TMessage& m) { WMSysCommand(m); });
}

int TMixerForm::CardCount() const {
  return std::clamp(app_.Cards.CardCount, 0, kMaxCards);
}

driver::ControlHandle TMixerForm::HandleOf(int ch) const {
  return ch >= 0 && ch < static_cast<int>(handles_.size()) ? handles_[ch] : 0;
}

// ---- the window's life

void TMixerForm::FormCreate(ui::TComponent*) {
  SetIcon(app_.MixerIconHandle);
  OpenHandles();
  MixerParts parts = Parts();
  fixed_height_ = parts.layout.design_height;
  layout_.Bind(std::move(parts.layout));
  meter_panel_ = parts.meter_panel;
  CloneStrips(parts);
  ForEachSlider(*this, [](ui::TForm&, controls::TSlider& s) { AssignLinkCheck(s); });
  if (meters_) {
    meters_->Setup(*this, ChannelCount(), level_block_->get());
    meters_->SetIntervals(kMeterTick, kMeterPoll);
  }
  CreateState();
  guard_.SetOpen(true);
  created_ = -1;
}

void TMixerForm::FormShow(ui::TComponent*) {
  guard_.SetOpen(true);
  SetPresetLoading(false);
  LoadOwnSection();
  ReadDriverState();
  if (meter_panel_ && meter_panel_->Visible()) StartMeters();
  ApplyStoredChecksPanel();
  BuildSystemMenu();
}

void TMixerForm::FormClose(ui::TComponent*, ui::TCloseAction&) {
  // A preset loaded into a window made only for the load ends here.
  PresetLoadEnded();
  SaveOwnSection();
  StopMeters();
  NotifyClosed();
}

void TMixerForm::FormDestroy(ui::TComponent*) {
  // A window destroyed while it meters (at the end of the application)
  // tells the driver to stop before its handles close.
  StopMeters();
  CloseHandles();
}

// ---- handles

void TMixerForm::OpenHandles() {
  opened_channels_ = ChannelCount();
  driver::OpenControlRange(app_.Cards, Handle(), kind_, direction_, 0, channels_per_card_ - 1, 0,
                           CardCount() - 1, handles_);
}

void TMixerForm::CloseHandles() {
  driver::CloseControls(direction_, opened_channels_, handles_);
}

void TMixerForm::Send(int ch, UINT msg, DWORD_PTR param1) {
  driver::ControlHandle h = HandleOf(ch);
  if (h == 0) return;
  driver::SendControlMessage(direction_, h, msg, param1);
}

// ---- cloned strips

void TMixerForm::CloneStrips(const MixerParts& parts) {
  auto renumber = [this](ui::TForm&, ui::TControl*& c) { RenumberClone(c); };
  for (int card = 1; card < CardCount(); ++card) {
    clone_index_ = card;
    for (ui::TWinControl* panel : parts.strip) {
      panel->SetWidth(panel->Width() + parts.strip_width);
      settings::CloneComponents(panel, panel, parts.strip_width * card, renumber, this);
    }
  }
}

// Control names are the keys of the settings file, so every card's clones
// get names of their own.
void TMixerForm::RenumberClone(ui::TControl* control) {
  if (RenumberOwnClone(control)) return;
  if (const CloneNumbering* numbering = CloneNumberingOf(*control))
    numbering->renumber(*control, channels_per_card_ * clone_index_,
                        [this] { return NextClonedLinkBoxName(); });
}

std::string TMixerForm::NextClonedLinkBoxName() {
  const int k = ++cloned_link_boxes_;
  return "chkLink" + std::to_string(2 * k + 7) + std::to_string(2 * k + 8);
}

// ---- meters

void TMixerForm::UseMeters(MeterMessages messages, const SharedBlock& level_block) {
  meters_.emplace(messages, [this](int ch, UINT msg, DWORD_PTR p1) { Send(ch, msg, p1); });
  level_block_ = &level_block;
  SetMessageHandler(WM_METER_TICK, [this](ui::TMessage& m) { meters_->Tick(m); });
  SetMessageHandler(WM_METER_POLL, [this](ui::TMessage& m) { meters_->Poll(m); });
}

void TMixerForm::StartMeters() {
  if (meters_) meters_->StartMeters();
}

void TMixerForm::StopMeters() {
  if (meters_) meters_->StopMeters();
}

// ---- faders

void TMixerForm::chkLinkClick(ui::TComponent* Sender) {
  LinkBoxClicked(Sender, PresetLoading());
}

void TMixerForm::SliderChange(ui::TComponent* Sender) {
  auto* fader = dynamic_cast<controls::TSlider*>(Sender);
  if (!fader || !guard_.Open()) return;
  ClosedGuard closed(guard_);
  if (!PresetLoading() && IsLinked(*fader)) MoveLinkedSliders(fader, nullptr);
  WriteFader(*fader);
}

void TMixerForm::ReadFaders(UINT msg, const SharedBlock& block, const PositionOfWord& position_of) {
  if (!app_.Cards.CardsPresent || !block.valid()) return;
  ClosedGuard closed(guard_);
  ForEachSlider(*this, [&](ui::TForm&, controls::TSlider& s) {
    Send(s.Number() - 1, msg, block.At(0));
    s.SetPosition(position_of(ChannelWordOf(driver::ReadLe32(block.flat()), s), s));
  });
}

// ---- layout

void TMixerForm::Relayout() {
  if (!layout_.Bound()) return;
  fixed_height_ = layout_.Apply();
  // WM_GETMINMAXINFO pins a created window to the fixed height.
  SetHeight(fixed_height_);
}

void TMixerForm::OptionBoxClick(ui::TComponent* Sender) {
  auto* box = dynamic_cast<ui::TCheckBox*>(Sender);
  ui::TControl* shown = layout_.ShownBy(box);
  if (!shown) return;
  settings::UpdateMenuCheck(box);
  const bool show = box->Checked();
  const bool meters = shown == meter_panel_;
  if (meters && !show) StopMeters();
  shown->SetVisible(show);
  Relayout();
  if (meters && show) StartMeters();
}

void TMixerForm::ToggleChecksPanel() {
  ui::TPanel* row = layout_.OptionRow();
  if (!layout_.Bound()) return;
  row->SetVisible(!row->Visible());
  Relayout();
  settings::UpdateMenuCheck(row);
}

void TMixerForm::ApplyStoredChecksPanel() {
  ui::TPanel* row = layout_.OptionRow();
  if (!layout_.Bound() || row->Visible()) return;
  Relayout();
  settings::UpdateMenuCheck(row);
}

// ---- settings, menu and the control window

void TMixerForm::LoadOwnSection() {
  settings::LoadWindowState(*this, settings::kSettingsFileName, "", settings::kOwnSectionControls,
                            true);
}

void TMixerForm::SaveOwnSection() {
  settings::SaveWindowStateOrReport(*this, settings::kSettingsFileName, "",
                                    settings::kOwnSectionControls, true);
}

void TMixerForm::BuildSystemMenu() {
  // The window is shown once per creation; the items are added once.
  if (system_menu_) return;
  system_menu_ =
      settings::BuildOptionMenu(layout_.OptionRow(), dynamic_cast<ui::TForm*>(app_.AboutBox.get()));
  if (HasPresetLoadingFlag()) settings::AddPresetCommands(*this);
}

void TMixerForm::NotifyClosed() {
  if (!app_.MixControlWnd) return;
  PostMessageA(app_.MixControlWnd->Handle(), shell::WM_MIXER_CLOSED, 0,
               static_cast<LPARAM>(HandleValue(Handle())));
}

void TMixerForm::WMGetMinMaxInfo(ui::TMessage& m) {
  if (created_ != 0 && m.LParam != 0) {
    auto* mmi = reinterpret_cast<MINMAXINFO*>(m.LParam);
    const LONG widest = MaxTrackWidth();
    mmi->ptMaxSize = {widest, fixed_height_};
    mmi->ptMaxPosition = {0, 0};
    mmi->ptMinTrackSize = {MinTrackWidth(), fixed_height_};
    mmi->ptMaxTrackSize = {widest, fixed_height_};
  }
  m.Result = 0;
}

// The flag's end runs also when the load stops half-way.
void TMixerForm::PresetLoadingFlag(bool on) {
  SetPresetLoading(on);
  if (on) return;
  PresetLoadEnded();
  // The preset gives the option row its stored visibility, and the
  // height and the menu follow it as after the control window's loads.
  Relayout();
  settings::UpdateMenuCheck(layout_.OptionRow());
}

void TMixerForm::LoadPreset(const std::string& name) {
  settings::LoadNamedPresetOfWindow(*this, settings::kSettingsFileName, name,
                                    [this](bool on) { PresetLoadingFlag(on); });
}

void TMixerForm::SavePreset(const std::string& name) {
  settings::SaveWindowState(*this, settings::kSettingsFileName, " " + name, settings::kAllControls,
                            false);
}

void TMixerForm::WMSysCommand(ui::TMessage& m) {
  DefaultHandler(m);
  const UINT command = static_cast<UINT>(m.WParam);
  if (HasPresetLoadingFlag() && command == settings::kSavePresetCommand) {
    settings::SavePresetOfWindow(*this, settings::kSettingsFileName);
    return;
  }
  if (HasPresetLoadingFlag() && command == settings::kLoadPresetCommand) {
    settings::LoadPresetOfWindow(*this, settings::kSettingsFileName,
                                 [this](bool on) { PresetLoadingFlag(on); });
    return;
  }
  ui::TPanel* row = layout_.OptionRow();
  ui::TComponent* target = settings::ControlOfCommand(*this, command);
  if (!target || !row) return;
  if (target == row) {
    ToggleChecksPanel();
  } else if (auto* box = dynamic_cast<ui::TCheckBox*>(target); box && box->Parent() == row) {
    box->SetChecked(!box->Checked());
  }
}

}  // namespace mixer
