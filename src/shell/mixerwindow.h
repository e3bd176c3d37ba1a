#pragma once
// What the control window needs of every mixer window: a created indicator
// set as the very last step of creation, a FormShow that can be called
// directly, the option panel and ToggleChecksPanel, and (for the analog
// windows) the preset-loading flag.
#include "shell/appstate.h"
#include "ui/extctrls.h"
#include "ui/form.h"

namespace shell {

class TMixerWindow : public ui::TForm {
 public:
  TMixerWindow(ui::TComponent* owner, AppState& app) : ui::TForm(owner), app_(app) {}

  bool IsCreated() const { return created_ != 0; }
  // Prepares the window fully without showing it.
  virtual void CallFormShow() = 0;
  virtual void ToggleChecksPanel() = 0;
  virtual ui::TPanel* ChecksPanel() const = 0;
  // Only the analog windows have a preset-loading flag.
  virtual bool HasPresetLoadingFlag() const { return false; }
  void SetPresetLoading(bool v) { preset_loading_ = v; }
  bool PresetLoading() const { return preset_loading_; }

 protected:
  AppState& app_;
  int created_ = 0;
  bool preset_loading_ = false;
};

// Sets a window's preset-loading flag (where it has one) for a scope; the
// flag is cleared however the load ends.
class PresetLoadingScope {
 public:
  explicit PresetLoadingScope(TMixerWindow& w) : window_(w) {
    if (window_.HasPresetLoadingFlag()) window_.SetPresetLoading(true);
  }
  ~PresetLoadingScope() { window_.SetPresetLoading(false); }
  PresetLoadingScope(const PresetLoadingScope&) = delete;
  PresetLoadingScope& operator=(const PresetLoadingScope&) = delete;

 private:
  TMixerWindow& window_;
};

}  // namespace shell
