#pragma once
// Unit mixset: the preset picker and the per-window preset commands.
#include <functional>
#include <string>
#include <vector>

#include "ui/extctrls.h"
#include "ui/form.h"
#include "ui/stdctrls.h"

namespace controls {
class TExtLabel;
class TExtButton;
}  // namespace controls

namespace settings {

// System-menu commands of the preset items.
inline constexpr UINT kSavePresetCommand = 1;
inline constexpr UINT kLoadPresetCommand = 2;
// The longest preset name: the erase confirmation must stay within 255
// characters and its fixed text takes 61.
inline constexpr int kMaxPresetNameLength = 194;
// Caption of the control window, whose presets span every mixer window.
inline constexpr const char* kControlWindowCaption = "Morva";

// What the chosen name is for. A name listed from the file loads as it is;
// to save under it, it must also be a name the settings file can hold.
enum class PresetPurpose { kLoad, kSave };

// The preset picker: lists the presets of its owner window (sections that
// begin with the owner's caption) and returns the chosen or typed name.
class TfrmMixSettings : public ui::TForm {
 public:
  // owner_window's caption is the section prefix; the picker is owned by it.
  TfrmMixSettings(ui::TComponent* owner, ui::TForm& owner_window, std::string file_name,
                  PresetPurpose purpose = PresetPurpose::kLoad);
  const char* ClassName() const override { return "TfrmMixSettings"; }
  std::string LayoutName() const override { return "mixset.form"; }

  // Fills the list, shows the picker modally and returns the name (empty
  // when cancelled or left blank). A settings file that cannot be read
  // raises its read error instead of showing an empty list.
  std::string Run();

  // Refusal text for a typed name that cannot be a section name; empty when valid.
  static std::string CheckPresetName(const std::string& name);
  // Refusal text for saving under a name, listed or typed, whose sections
  // (caption + " " + name) the settings file could not hold; empty when it can.
  static std::string CheckSaveName(const std::string& caption, const std::string& name);

  ui::TPanel* Panel1 = nullptr;
  controls::TExtLabel* lbDescription = nullptr;
  ui::TEdit* edName = nullptr;
  ui::TListBox* lstNames = nullptr;
  controls::TExtButton* btnErase = nullptr;
  controls::TExtButton* btnCancel = nullptr;
  controls::TExtButton* btnOk = nullptr;

  void FormShow(ui::TComponent* Sender);
  void FormClose(ui::TComponent* Sender, ui::TCloseAction& Action);
  void lstNamesClick(ui::TComponent* Sender);
  void lstNamesDblClick(ui::TComponent* Sender);
  void lstNamesKeyUp(ui::TComponent* Sender, WORD& Key, ui::TShiftState Shift);
  void edNameKeyUp(ui::TComponent* Sender, WORD& Key, ui::TShiftState Shift);
  void btnEraseClick(ui::TComponent* Sender);

 private:
  void FillList();
  void CopySelection();
  ui::TForm& owner_window_;
  std::string file_name_;
  PresetPurpose purpose_;
};

// Creates the picker owned by owner_window, sets its description, runs it
// and destroys it. Returns the name, empty when cancelled.
std::string RunPresetPicker(ui::TForm& owner_window, const std::string& file_name,
                            const std::string& description,
                            PresetPurpose purpose = PresetPurpose::kLoad);

// Appends separator, " Einstellungen &laden ..." (command 2) and
// " Einstellungen sp&eichern ..." (command 1) to the form's system menu.
void AddPresetCommands(ui::TForm& form);

// Command 2: asks for a preset and loads it into form (mask 0, no
// geometry). loading, when given, is called with true before and false
// after the load (also when the load fails), so a window can set its
// preset-loading flag. Returns whether a preset was loaded.
bool LoadPresetOfWindow(ui::TForm& form, const std::string& file_name,
                        const std::function<void(bool)>& loading = nullptr);
// The load of command 2 once the name is given.
void LoadNamedPresetOfWindow(ui::TForm& form, const std::string& file_name, const std::string& name,
                             const std::function<void(bool)>& loading = nullptr);
// Command 1: asks for a name and saves every named control of form under it.
bool SavePresetOfWindow(ui::TForm& form, const std::string& file_name);

// The names the picker of a window with this caption lists, in the file's
// order (the list sorts them).
std::vector<std::string> PresetNames(const std::string& caption, const std::string& file_name);
// Erases the preset name of the window with this caption (for the control
// window, the combined preset's sections of every mixer window too), as the
// picker's erase button does once the user said yes. Raises
// ui::EIniFileException when the file cannot be written.
void ErasePreset(const std::string& caption, const std::string& file_name, const std::string& name);

}  // namespace settings
