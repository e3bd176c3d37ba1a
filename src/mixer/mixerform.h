#pragma once
// TMixerForm: what the mixer windows share beyond the fader routines: the
// control handles of every card's channels, the fixed window height with
// its option boxes and option panel, the size limits, the system menu with
// the view options and the per-window presets, the window's own settings
// section, the change guard and the closing notification.
#include <array>
#include <string>

#include "driver/controls.h"
#include "mixer/sliderlink.h"
#include "shell/mixerwindow.h"
#include "ui/extctrls.h"

namespace mixer {

// The windows' tables hold four cards; further cards are not shown.
constexpr int kMaxCards = 4;
// One card's strip is cloned this far right of the previous one.
constexpr int kStripWidth = 312;
// The width limits: 174 pixels up to 314 per card plus 16.
constexpr int kMinWidth = 174;
constexpr int kWidthPerCard = 314;
constexpr int kWidthMargin = 16;

class TMixerForm : public shell::TMixerWindow {
 public:
  // channels_per_card: 8 for the analog windows, 2 for the digital ones.
  TMixerForm(ui::TComponent* owner, shell::AppState& app, driver::Direction direction, int kind,
             int channels_per_card);

  // Cards shown side by side: the card table's count, at most four.
  int CardCount() const;
  int ChannelCount() const { return CardCount() * channels_per_card_; }
  int FixedHeight() const { return fixed_height_; }
  driver::ControlHandle HandleOf(int ch) const;
  bool ChangeGuardOpen() const { return guard_.Open(); }
  int CreatedIndicator() const { return created_; }

  // The analog windows have the flag; the digital ones override this.
  bool HasPresetLoadingFlag() const override { return true; }
  ui::TPanel* ChecksPanel() const override { return checks_panel_; }
  // Shows the option panel if hidden and hides it if shown; the window
  // height follows.
  void ToggleChecksPanel() override;

  // The width limits of WM_GETMINMAXINFO; the height is pinned to the fixed
  // height. The analog windows allow 174 pixels up to 314 per card plus 16.
  virtual int MinTrackWidth() const { return kMinWidth; }
  virtual int MaxTrackWidth() const { return kWidthPerCard * CardCount() + kWidthMargin; }

 protected:
  // The option panel and the panel that holds every section (the one that
  // fills the window while the option panel is hidden); set in FormCreate.
  void BindPanels(ui::TPanel* checks_panel, ui::TWinControl* ground);

  // Opens the handles of every card's channels with this window as the
  // notification target; a failure raises the silent abort.
  void OpenHandles();
  void CloseHandles();
  // Sends a driver message on channel ch's handle; a channel without an
  // open handle sends nothing.
  void Send(int ch, UINT msg, DWORD_PTR param1);

  void SetFixedHeight(int h) { fixed_height_ = h; }
  // Adds delta to the fixed height and to the window height.
  void AdjustHeight(int delta);

  // The option box logic of a section inside the ground panel: shows or
  // hides section, moves the sections below it by amount and keeps the
  // ground panel and the window as high as what they show; hiding the last
  // visible section hides the ground panel too, and showing a section
  // brings it back first.
  void ShowSection(ui::TControl* section, int amount, bool show,
                   std::initializer_list<ui::TControl*> below,
                   std::initializer_list<ui::TControl*> all_sections);

  // The option box of a window whose ground panel is its only section:
  // shows or hides the ground panel and keeps the window as high as it.
  void ShowGround(bool show);

  void LoadOwnSection();
  // A file that cannot be written is reported and the close goes on.
  void SaveOwnSection();
  // After the own section is loaded: a stored hidden option panel is shown
  // for a moment and toggled off, so that the height follows.
  void ApplyStoredChecksPanel();
  // The view options and, once, the preset commands.
  void BuildSystemMenu();
  // WM_USER+100 to the control window with this window as lParam.
  void NotifyClosed();
  // "chkLink" + (2k + 7) + (2k + 8) for the k-th cloned link box.
  std::string NextClonedLinkBoxName();

  void MarkCreated() { created_ = -1; }
  // Runs when this window's own preset command has finished loading.
  virtual void PresetLoadEnded() {}

  ChangeGuard guard_;
  int clone_index_ = 0;
  int cloned_link_boxes_ = 0;
  HMENU system_menu_ = nullptr;

 private:
  void WMGetMinMaxInfo(ui::TMessage& m);
  void WMSysCommand(ui::TMessage& m);

  driver::Direction direction_;
  int kind_;
  int channels_per_card_;
  std::array<driver::ControlHandle, kMaxCards * 8> handles_{};
  int opened_channels_ = 0;
  int fixed_height_ = 0;
  ui::TPanel* checks_panel_ = nullptr;
  ui::TWinControl* ground_ = nullptr;
  // The ground panel's height as its sections make it. While the option
  // panel is hidden the ground fills the client area, and while the ground
  // is hidden too that area is empty, so its own Height cannot be trusted.
  int ground_height_ = 0;
};

}  // namespace mixer
