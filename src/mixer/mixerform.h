#pragma once
// TMixerForm: the life every mixer window shares. FormCreate, FormShow,
// FormClose and FormDestroy are the same for every window, and so are the
// option boxes, the link boxes, the fader change and the meters; a window
// describes its parts and fills in the hooks. The base holds the control
// handles of every card's channels, the cloned strips, the fixed-height
// layout with its option row, the size limits, the system menu with the
// view options and the per-window presets, the own settings section, the
// change guard and the closing notification.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "driver/controls.h"
#include "mixer/fixedlayout.h"
#include "mixer/meterrefresh.h"
#include "mixer/sharedblock.h"
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

// What a window is made of, from its bound members.
struct MixerParts {
  LayoutParts layout;
  // The first card's strip: these panels are widened and cloned into
  // themselves, in this order, for every further card.
  std::vector<ui::TWinControl*> strip;
  int strip_width = kStripWidth;
  // A metering window's meters run while this panel shows.
  ui::TControl* meter_panel = nullptr;
};

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
  ui::TPanel* ChecksPanel() const override { return layout_.OptionRow(); }
  // Shows the option row if hidden and hides it if shown; the window
  // height follows.
  void ToggleChecksPanel() override;
  void CallFormShow() override { FormShow(this); }

  // The width limits of WM_GETMINMAXINFO; the height is pinned to the fixed
  // height. The analog windows allow 174 pixels up to 314 per card plus 16.
  virtual int MinTrackWidth() const { return kMinWidth; }
  virtual int MaxTrackWidth() const { return kWidthPerCard * CardCount() + kWidthMargin; }

  // Icon, handles (one that cannot open raises the silent abort and leaves
  // the window uncreated), parts, cloned strips, link boxes, meters, the
  // window's own state, and last the created indicator.
  void FormCreate(ui::TComponent* Sender);
  // Guard open and no preset loading; the own section, the driver's state,
  // the meters where they show, a stored hidden option row, the menu.
  void FormShow(ui::TComponent* Sender);
  // Saves the own section, stops the meters and tells the control window.
  void FormClose(ui::TComponent* Sender, ui::TCloseAction& Action);
  // Stops the meters before the handles close; the blocks go with their
  // owners.
  void FormDestroy(ui::TComponent* Sender);

  // Every option box: shows or hides what it stands for and the height
  // follows; meters stop before their panel hides and start after it shows.
  void OptionBoxClick(ui::TComponent* Sender);
  // Every link box: the link rule.
  void chkLinkClick(ui::TComponent* Sender);
  // Every fader: with the change guard closed, the link rule (unless a
  // preset is loading), then WriteFader.
  void SliderChange(ui::TComponent* Sender);

  // The per-window preset commands once the name is given (by the picker,
  // or from outside): the load with the preset-loading flag set, the option
  // row and the height following it; the save of every named control.
  void LoadPreset(const std::string& name);
  void SavePreset(const std::string& name);

  // A metering window's meters; in a window without meters starting and
  // stopping do nothing.
  void StartMeters();
  void StopMeters();
  const MeterRefresh& Meters() const { return meters_.value(); }

 protected:
  // ---- hooks
  virtual MixerParts Parts() = 0;
  // A cloned control that only this window renumbers; false: not one.
  virtual bool RenumberOwnClone(ui::TControl* /*control*/) { return false; }
  // What the window makes after its strips: its blocks, in the order the
  // driver is to see them, and its tables.
  virtual void CreateState() {}
  // Reads what the driver holds into the controls (at show).
  virtual void ReadDriverState() {}
  // Sends a moved fader's pair to the driver.
  virtual void WriteFader(const controls::TSlider& /*fader*/) {}
  // A preset load has ended: this window's own command, also when it
  // stopped half-way, or a window made only for a load closes.
  virtual void PresetLoadEnded() {}

  // ---- for the windows
  // Makes this a metering window: the messages its meters send and the
  // block their polls read.
  void UseMeters(MeterMessages messages, const SharedBlock& level_block);
  // Sends a driver message on channel ch's handle; a channel without an
  // open handle sends nothing.
  void Send(int ch, UINT msg, DWORD_PTR param1);
  // Every fader's position from the driver, each asking with msg for its
  // pair's words into block; the change guard stays closed meanwhile.
  using PositionOfWord = std::function<std::int32_t(std::uint16_t word, const controls::TSlider&)>;
  void ReadFaders(UINT msg, const SharedBlock& block, const PositionOfWord& position_of);
  // Lays the window out for what is visible and pins its height there.
  void Relayout();

  ChangeGuard guard_;
  // The further card whose strip is being cloned.
  int clone_index_ = 0;

 private:
  void OpenHandles();
  void CloseHandles();
  void CloneStrips(const MixerParts& parts);
  // The fix-ups every strip shares, then the window's own.
  void RenumberClone(ui::TControl* control);
  // "chkLink" + (2k + 7) + (2k + 8) for the k-th cloned link box.
  std::string NextClonedLinkBoxName();
  void LoadOwnSection();
  // A file that cannot be written is reported and the close goes on.
  void SaveOwnSection();
  // After the own section is loaded: it restores the option row's
  // visibility but not the height that goes with it.
  void ApplyStoredChecksPanel();
  // The view options and, once, the preset commands.
  void BuildSystemMenu();
  // WM_USER+100 to the control window with this window as lParam.
  void NotifyClosed();
  void WMGetMinMaxInfo(ui::TMessage& m);
  void WMSysCommand(ui::TMessage& m);
  // Sets and clears the preset-loading flag around a per-window load.
  void PresetLoadingFlag(bool on);

  driver::Direction direction_;
  int kind_;
  int channels_per_card_;
  std::array<driver::ControlHandle, kMaxCards * 8> handles_{};
  int opened_channels_ = 0;
  int fixed_height_ = 0;
  int cloned_link_boxes_ = 0;
  FixedHeightLayout layout_;
  ui::TControl* meter_panel_ = nullptr;
  std::optional<MeterRefresh> meters_;
  const SharedBlock* level_block_ = nullptr;
  HMENU system_menu_ = nullptr;
};

}  // namespace mixer
