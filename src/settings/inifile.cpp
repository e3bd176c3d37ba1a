#include "settings/inifile.h"

#include <cstdint>

#include "platform/profile.h"
#include "platform/windir.h"

namespace settings {
namespace {

int DigitValue(char c, int base) {
  int d = -1;
  if (c >= '0' && c <= '9') d = c - '0';
  if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
  return d < base ? d : -1;
}

// Cuts to at most `limit` bytes without splitting a UTF-8 character.
std::string CutText(std::string text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

}  // namespace

bool TIniFile::TryParseInteger(std::string_view text, int& value) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  // Hexadecimal covers the full 32 bits ("$FFFFFFFF" is -1); decimal must
  // fit the signed range.
  const std::uint64_t limit =
      base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  std::uint64_t magnitude = 0;
  for (char c : text) {
    const int d = DigitValue(c, base);
    if (d < 0) return false;
    magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    if (magnitude > limit) return false;
  }
  const auto bits = static_cast<std::uint32_t>(negative ? 0 - magnitude : magnitude);
  value = static_cast<std::int32_t>(bits);
  return true;
}

TIniFile::TIniFile(std::string file_name)
    : file_name_(std::move(file_name)), file_(platform::ProfilePath(file_name_)) {}

TIniFile::~TIniFile() {
  if (!failed_) file_.Commit();
}

std::string TIniFile::ReadString(std::string_view section, std::string_view ident,
                                 std::string_view default_value) const {
  const auto value = file_.Read(section, ident);
  return CutText(value ? *value : std::string(default_value), kMaxTextLength);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view ident,
                          int default_value) const {
  const auto text = file_.Read(section, ident);
  int value = 0;
  return text && TryParseInteger(*text, value) ? value : default_value;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view ident,
                        bool default_value) const {
  return ReadInteger(section, ident, default_value ? 1 : 0) != 0;
}

std::vector<std::string> TIniFile::ReadSections() const {
  return file_.SectionNames();
}

void TIniFile::WriteString(std::string_view section, std::string_view ident,
                           std::string_view value) {
  if (!file_.Write(section, ident, value)) {
    // What was written before stays, as far as the disk takes it.
    failed_ = true;
    file_.Commit();
    RaiseWriteError();
  }
}

void TIniFile::WriteInteger(std::string_view section, std::string_view ident, int value) {
  WriteString(section, ident, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

void TIniFile::DeleteKey(std::string_view section, std::string_view ident) {
  file_.EraseKey(section, ident);
}

void TIniFile::EraseSection(std::string_view section) {
  file_.EraseSection(section);
}

void TIniFile::UpdateFile() {
  if (file_.Commit()) return;
  failed_ = true;
  // Nothing to write, but the file was not read: whatever was asked of it
  // (an erase) did not happen.
  if (!file_.readable() && !file_.dirty()) throw ReadError();
  RaiseWriteError();
}

ui::EIniFileException TIniFile::ReadError() const {
  if (file_.rewrite_pending())
    return ui::EIniFileException(file_name_ +
                                 " kann nicht gelesen werden: ein unterbrochenes Speichern kann "
                                 "nicht abgeschlossen werden");
  return ui::EIniFileException(file_name_ + " kann nicht gelesen werden");
}

void TIniFile::RaiseWriteError() const {
  using platform::CommitError;
  const std::string cannot = "nach " + file_name_ + " kann nicht geschrieben werden";
  const std::string folder = "der Ordner " + platform::JournalDirectory().string();
  switch (file_.error()) {
    case CommitError::kJournalPending:
      throw ui::EIniFileException(cannot +
                                  ": ein unterbrochenes Speichern kann nicht abgeschlossen werden");
    case CommitError::kJournalFolderNotFolder:
      throw ui::EIniFileException(cannot + ": " + platform::JournalDirectory().string() +
                                  " ist kein Ordner");
    case CommitError::kJournalFolderForeign:
      throw ui::EIniFileException(cannot + ": " + folder + " gehört einem anderen Benutzer");
    case CommitError::kJournalFolderOpen:
      throw ui::EIniFileException(cannot + ": " + folder + " ist für andere Benutzer zugänglich");
    default:
      throw ui::EIniFileException(cannot);
  }
}

}  // namespace settings
