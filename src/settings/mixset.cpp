#include "settings/mixset.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

#include "controls/Class_b.h"
#include "controls/audioctl32.h"
#include "platform/profile_document.h"
#include "platform/windowing.h"
#include "platform/winuser.h"
#include "settings/formstate.h"
#include "settings/inifile.h"
#include "ui/application.h"

namespace settings {

namespace {

constexpr const char* kRefusalCaption = "Ungültiger Name";
constexpr const char* kForbiddenCharacters =
    "Der Name darf weder die Zeichen [ ] = ; noch Zeilenumbrüche oder Steuerzeichen enthalten.";

// The sections of a combined preset besides the control window's own, in
// the order they are erased.
constexpr const char* kMixerWindowCaptions[] = {
    "Analog Inputs", "Analog Input Monitors", "Analog Outputs", "Digital Output", "Digital Input"};

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Characters, not bytes: the confirmation's limit is one of characters.
std::size_t CharacterCount(std::string_view s) {
  std::size_t n = 0;
  for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

}  // namespace

TfrmMixSettings::TfrmMixSettings(ui::TComponent* owner, ui::TForm& owner_window,
                                 std::string file_name, PresetPurpose purpose)
    : ui::TForm(owner),
      owner_window_(owner_window),
      file_name_(std::move(file_name)),
      purpose_(purpose) {
  controls::RegisterControlClasses();
  Handler("FormShow", &TfrmMixSettings::FormShow);
  Handler("FormClose", &TfrmMixSettings::FormClose);
  Handler("lstNamesClick", &TfrmMixSettings::lstNamesClick);
  Handler("lstNamesDblClick", &TfrmMixSettings::lstNamesDblClick);
  Handler("lstNamesKeyUp", &TfrmMixSettings::lstNamesKeyUp);
  Handler("edNameKeyUp", &TfrmMixSettings::edNameKeyUp);
  Handler("btnEraseClick", &TfrmMixSettings::btnEraseClick);
  Member("Panel1", Panel1);
  Member("lbDescription", lbDescription);
  Member("edName", edName);
  Member("lstNames", lstNames);
  Member("btnErase", btnErase);
  Member("btnCancel", btnCancel);
  Member("btnOk", btnOk);
}

std::string TfrmMixSettings::CheckPresetName(const std::string& name) {
  if (name.empty()) return "";
  for (char c : name) {
    if (c == '[' || c == ']' || c == '=' || c == ';' || static_cast<unsigned char>(c) < 0x20)
      return kForbiddenCharacters;
  }
  if (IsBlank(name.front()) || IsBlank(name.back()))
    return "Der Name darf nicht mit einem Leerzeichen beginnen oder enden.";
  if (CharacterCount(name) > static_cast<std::size_t>(kMaxPresetNameLength))
    return "Der Name darf höchstens " + std::to_string(kMaxPresetNameLength) +
           " Zeichen lang sein.";
  return "";
}

std::string TfrmMixSettings::CheckSaveName(const std::string& caption, const std::string& name) {
  if (name.empty() || platform::ProfileDocument::IsValidName(caption + " " + name)) return "";
  const std::string typed = CheckPresetName(name);
  return typed.empty() ? kForbiddenCharacters : typed;
}

std::vector<std::string> PresetNames(const std::string& caption, const std::string& file_name) {
  const TIniFile ini(file_name);
  // An empty list would pass for a file without presets.
  if (!ini.Readable()) throw ini.ReadError();
  std::vector<std::string> names;
  ini.ForEachSection([&](std::string_view section) {
    if (section.size() <= caption.size() + 1 || section.compare(0, caption.size(), caption) != 0)
      return;
    // The caption and exactly one more character, whatever it is.
    const std::string_view rest = section.substr(caption.size() + 1);
    // Longer names cannot be shown in edName without being cut, and a cut
    // name would load or save a different preset.
    if (CharacterCount(rest) > static_cast<std::size_t>(kMaxPresetNameLength)) return;
    names.emplace_back(rest);
  });
  return names;
}

void TfrmMixSettings::FillList() {
  lstNames->Clear();
  // One sort for the whole list, not one insertion each.
  lstNames->AddStrings(PresetNames(owner_window_.Caption(), file_name_));
}

std::string TfrmMixSettings::Run() {
  FillList();
  return ShowModal() == ui::mrOk ? edName->Text() : std::string();
}

void TfrmMixSettings::CopySelection() {
  int i = lstNames->ItemIndex();
  edName->SetText(i >= 0 ? lstNames->Items()[i] : std::string());
}

void TfrmMixSettings::FormShow(ui::TComponent*) {
  if (lstNames->Count() == 0) return;
  lstNames->SetItemIndex(0);
  CopySelection();
}

void TfrmMixSettings::FormClose(ui::TComponent*, ui::TCloseAction& Action) {
  if (ModalResult() != ui::mrOk) return;
  const std::string& name = edName->Text();
  // A listed name comes from the file and loads as it is; saving under it
  // needs a name the file can hold, which another program or a hand may
  // not have kept to.
  const auto& items = lstNames->Items();
  const bool listed = std::find(items.begin(), items.end(), name) != items.end();
  std::string refusal;
  if (!listed) refusal = CheckPresetName(name);
  if (refusal.empty() && purpose_ == PresetPurpose::kSave)
    refusal = CheckSaveName(owner_window_.Caption(), name);
  if (refusal.empty()) return;
  ui::Application()->MessageBox(refusal, kRefusalCaption, MB_OK | MB_ICONEXCLAMATION, Handle());
  Action = ui::TCloseAction::caNone;
}

void TfrmMixSettings::lstNamesClick(ui::TComponent*) {
  CopySelection();
}

void TfrmMixSettings::lstNamesDblClick(ui::TComponent*) {
  CopySelection();
  SetModalResult(ui::mrOk);
}

void TfrmMixSettings::lstNamesKeyUp(ui::TComponent* Sender, WORD& Key, ui::TShiftState) {
  if (Key == ui::VK_DELETE) btnEraseClick(Sender);
}

void TfrmMixSettings::edNameKeyUp(ui::TComponent*, WORD& Key, ui::TShiftState) {
  if (Key == ui::VK_DOWN) lstNames->SetFocus();
}

void TfrmMixSettings::btnEraseClick(ui::TComponent*) {
  const int i = lstNames->ItemIndex();
  if (i < 0) return;
  const std::string name = lstNames->Items()[i];
  const std::string text =
      "Möchten Sie die unter \"" + name + "\" gespeicherten Einstellungen löschen?";
  if (ui::Application()->MessageBox(text, "Löschen bestätigen", MB_YESNO | MB_ICONHAND, Handle()) !=
      IDYES)
    return;
  // A failure raises here and leaves the entry listed: the file, which
  // made one attempt only, still holds the preset.
  ErasePreset(owner_window_.Caption(), file_name_, name);
  lstNames->Delete(i);
  lstNames->SetItemIndex(i < lstNames->Count() ? i : i - 1);
  CopySelection();
}

std::string RunPresetPicker(ui::TForm& owner_window, const std::string& file_name,
                            const std::string& description, PresetPurpose purpose) {
  std::unique_ptr<TfrmMixSettings, ui::ModalRunDeleter> picker(
      ui::CreateForm<TfrmMixSettings>(&owner_window, owner_window, file_name, purpose));
  picker->lbDescription->SetCaption(description);
  return picker->Run();
}

void AddPresetCommands(ui::TForm& form) {
  HMENU menu = GetSystemMenu(form.Handle(), FALSE);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, kLoadPresetCommand, " Einstellungen &laden ...");
  AppendMenuA(menu, MF_STRING, kSavePresetCommand, " Einstellungen sp&eichern ...");
}

void ErasePreset(const std::string& caption, const std::string& file_name,
                 const std::string& name) {
  TIniFile ini(file_name);
  ini.EraseSection(caption + " " + name);
  if (caption == kControlWindowCaption) {
    for (const char* window : kMixerWindowCaptions)
      ini.EraseSection(std::string(window) + " " + name);
  }
  ini.UpdateFile();
}

bool LoadPresetOfWindow(ui::TForm& form, const std::string& file_name,
                        const std::function<void(bool)>& loading) {
  const std::string name = RunPresetPicker(
      form, file_name, "Alle Einstellungen für \"" + form.Caption() + "\" laden aus ...");
  if (name.empty()) return false;
  LoadNamedPresetOfWindow(form, file_name, name, loading);
  return true;
}

void LoadNamedPresetOfWindow(ui::TForm& form, const std::string& file_name, const std::string& name,
                             const std::function<void(bool)>& loading) {
  if (loading) loading(true);
  try {
    LoadWindowState(form, file_name, " " + name, kAllControls, false);
  } catch (...) {
    if (loading) loading(false);
    throw;
  }
  if (loading) loading(false);
}

bool SavePresetOfWindow(ui::TForm& form, const std::string& file_name) {
  const std::string name = RunPresetPicker(
      form, file_name, "Alle Einstellungen für \"" + form.Caption() + "\" speichern unter ...",
      PresetPurpose::kSave);
  if (name.empty()) return false;
  SaveWindowState(form, file_name, " " + name, kAllControls, false);
  return true;
}

}  // namespace settings
