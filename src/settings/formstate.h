#pragma once
// Loading and saving a window's state in the settings file: its own section
// (caption alone, tag mask -1, with geometry) or a preset section (caption +
// " " + name, mask 0). Each call is one file operation: the file is read
// once and, for a save, replaced once.
#include <cstdint>
#include <string>

#include "ui/form.h"

namespace settings {

// The settings file of the whole system, a bare name in the Windows directory.
inline constexpr const char* kSettingsFileName = "Vozururo.ini";

// A component is selected when (Tag & mask) == mask: 0 selects every named
// component, -1 only those tagged -1.
inline constexpr std::int32_t kAllControls = 0;
inline constexpr std::int32_t kOwnSectionControls = -1;

// Reads section form caption + suffix and applies it to every named,
// selected component of form in creation order, running the controls'
// actions (check box click on change, slider change, speed button click
// after its Down is set, page selection) and processing pending messages
// after each component. With geometry, then Top, Left, Width, Height and
// Hints (the form's ShowHint). A slider position out of range stops the
// load with the slider's range error. A file that exists but cannot be read
// loads as a missing one does, and the failure is reported once per user
// action.
void LoadWindowState(ui::TForm& form, const std::string& file_name, const std::string& suffix,
                     std::int32_t tag_mask, bool geometry);

// Writes the same section. A value that cannot be written raises
// ui::EIniFileException "nach <file> kann nicht geschrieben werden"; a page
// control whose active page is not among its pages stops the save silently
// (ui::EAbort). In both cases what was written before is kept in the file.
void SaveWindowState(ui::TForm& form, const std::string& file_name, const std::string& suffix,
                     std::int32_t tag_mask, bool geometry);

// SaveWindowState for code that must go on when the file cannot be written
// (a window that closes, the program that ends): the failure is reported,
// once per user action, and the file keeps what it held. False then.
bool SaveWindowStateOrReport(ui::TForm& form, const std::string& file_name,
                             const std::string& suffix, std::int32_t tag_mask, bool geometry);

}  // namespace settings
