#include "mixer/mixerform.h"

#include <algorithm>

#include "platform/windowing.h"
#include "settings/formstate.h"
#include "settings/mixset.h"
#include "settings/winutils.h"
#include "shell/Mixctrl.h"
#include "shell/tbmainf.h"
#include "ui/stdctrls.h"

namespace mixer {

TMixerForm::TMixerForm(ui::TComponent* owner, shell::AppState& app, driver::Direction direction,
                       int kind, int channels_per_card)
    : shell::TMixerWindow(owner, app),
      direction_(direction),
      kind_(kind),
      channels_per_card_(channels_per_card) {
  SetMessageHandler(WM_GETMINMAXINFO, [this](ui::TMessage& m) { WMGetMinMaxInfo(m); });
  SetMessageHandler(WM_SYSCOMMAND, [this](ui::TMessage& m) { WMSysCommand(m); });
}

int TMixerForm::CardCount() const {
  return std::clamp(app_.Cards.CardCount, 0, kMaxCards);
}

driver::ControlHandle TMixerForm::HandleOf(int ch) const {
  return ch >= 0 && ch < static_cast<int>(handles_.size()) ? handles_[ch] : 0;
}

void TMixerForm::BindPanels(ui::TPanel* checks_panel, ui::TWinControl* ground) {
  checks_panel_ = checks_panel;
  ground_ = ground;
  ground_height_ = ground ? ground->Height() : 0;
}

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

void TMixerForm::AdjustHeight(int delta) {
  fixed_height_ += delta;
  SetHeight(Height() + delta);
}

void TMixerForm::ShowSection(ui::TControl* section, int amount, bool show,
                             std::initializer_list<ui::TControl*> below,
                             std::initializer_list<ui::TControl*> all_sections) {
  const int step = show ? amount : -amount;
  if (show && !ground_->Visible()) {
    ground_->Show();
    AdjustHeight(ground_height_);
  }
  section->SetVisible(show);
  for (ui::TControl* c : below) c->SetTop(c->Top() + step);
  ground_height_ += step;
  ground_->SetHeight(ground_height_);
  AdjustHeight(step);
  if (!show && std::none_of(all_sections.begin(), all_sections.end(),
                            [](ui::TControl* c) { return c->Visible(); })) {
    ground_->Hide();
    AdjustHeight(-ground_height_);
  }
}

void TMixerForm::ShowGround(bool show) {
  ground_->SetVisible(show);
  AdjustHeight(show ? ground_height_ : -ground_height_);
}

void TMixerForm::ToggleChecksPanel() {
  if (!checks_panel_ || !ground_) return;
  if (checks_panel_->Visible()) {
    checks_panel_->Hide();
    AdjustHeight(-checks_panel_->Height());
    checks_panel_->SetAlign(ui::TAlign::alNone);
    ground_->SetAlign(ui::TAlign::alClient);
  } else {
    ground_->SetAlign(ui::TAlign::alTop);
    ground_->SetHeight(ground_height_);
    AdjustHeight(checks_panel_->Height());
    checks_panel_->SetAlign(ui::TAlign::alClient);
    checks_panel_->Show();
  }
  settings::UpdateMenuCheck(checks_panel_);
}

void TMixerForm::LoadOwnSection() {
  settings::LoadWindowState(*this, settings::kSettingsFileName, "", settings::kOwnSectionControls,
                            true);
}

void TMixerForm::SaveOwnSection() {
  settings::SaveWindowStateOrReport(*this, settings::kSettingsFileName, "", settings::kOwnSectionControls,
                            true);
}

void TMixerForm::ApplyStoredChecksPanel() {
  if (!checks_panel_ || checks_panel_->Visible()) return;
  checks_panel_->Show();
  ToggleChecksPanel();
}

void TMixerForm::BuildSystemMenu() {
  // The window is shown once per creation; the items are added once.
  if (system_menu_) return;
  system_menu_ =
      settings::BuildOptionMenu(checks_panel_, dynamic_cast<ui::TForm*>(app_.AboutBox.get()));
  if (HasPresetLoadingFlag()) settings::AddPresetCommands(*this);
}

void TMixerForm::NotifyClosed() {
  if (!app_.MixControlWnd) return;
  PostMessageA(app_.MixControlWnd->Handle(), shell::WM_MIXER_CLOSED, 0,
               static_cast<LPARAM>(HandleValue(Handle())));
}

std::string TMixerForm::NextClonedLinkBoxName() {
  const int k = ++cloned_link_boxes_;
  return "chkLink" + std::to_string(2 * k + 7) + std::to_string(2 * k + 8);
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

void TMixerForm::WMSysCommand(ui::TMessage& m) {
  DefaultHandler(m);
  const UINT command = static_cast<UINT>(m.WParam);
  if (HasPresetLoadingFlag() && command == settings::kSavePresetCommand) {
    settings::SavePresetOfWindow(*this, settings::kSettingsFileName);
    return;
  }
  if (HasPresetLoadingFlag() && command == settings::kLoadPresetCommand) {
    // The flag's end runs also when the load stops half-way.
    settings::LoadPresetOfWindow(*this, settings::kSettingsFileName, [this](bool on) {
      SetPresetLoading(on);
      if (!on) PresetLoadEnded();
    });
    return;
  }
  ui::TComponent* target = settings::ControlOfCommand(*this, command);
  if (!target || !checks_panel_) return;
  if (target == checks_panel_) {
    ToggleChecksPanel();
  } else if (auto* box = dynamic_cast<ui::TCheckBox*>(target);
             box && box->Parent() == checks_panel_) {
    box->SetChecked(!box->Checked());
  }
}

}  // namespace mixer
