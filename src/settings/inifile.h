#pragma once
// The settings file as the window-state code uses it: one TIniFile per load
// or save, all reads and writes against one picture of the file, and one
// atomic replacement of the file at UpdateFile() (or, for whatever is still
// pending, when the object goes away). One user action makes one attempt:
// after a failed one the object writes nothing more.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile_file.h"
#include "ui/exceptions.h"

namespace settings {

class TIniFile {
 public:
  // The longest text ReadString returns.
  static constexpr std::size_t kMaxTextLength = 2047;

  // A bare file name ("Vozururo.ini") lives in the Windows directory.
  explicit TIniFile(std::string file_name);
  // Writes what is still pending, unless an attempt already failed; a
  // failure here goes unreported, so callers that must know call
  // UpdateFile() themselves.
  ~TIniFile();
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  // False when the file could not be read (or an interrupted rewrite of it
  // cannot be completed now): reads give the defaults, and nothing is
  // written over it.
  bool Readable() const { return file_.readable(); }
  // The error to tell the user when the file could not be read.
  ui::EIniFileException ReadError() const;

  std::string ReadString(std::string_view section, std::string_view ident,
                         std::string_view default_value) const;
  // Signed decimal, or hexadecimal after "$", "0x" or "0X"; a missing key,
  // an empty value or text that does not convert gives the default.
  int ReadInteger(std::string_view section, std::string_view ident, int default_value) const;
  bool ReadBool(std::string_view section, std::string_view ident, bool default_value) const;
  // Every section name in file order, duplicates included.
  std::vector<std::string> ReadSections() const;
  // The same, one name after the other, without copying them.
  void ForEachSection(const std::function<void(std::string_view)>& visit) const {
    file_.document().ForEachSectionName(visit);
  }

  // A value that cannot be written first saves what was written before it,
  // then raises EIniFileException.
  void WriteString(std::string_view section, std::string_view ident, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view ident, int value);
  void WriteBool(std::string_view section, std::string_view ident, bool value);
  void DeleteKey(std::string_view section, std::string_view ident);
  void EraseSection(std::string_view section);

  // Replaces the file when something changed; raises EIniFileException
  // "nach <file name> kann nicht geschrieben werden" when that fails (with
  // the reason where it is not the disk's), and the read error when the
  // file could not be read, even with nothing changed.
  void UpdateFile();

  // Conversion of a stored text, exposed for the window-state code.
  static bool TryParseInteger(std::string_view text, int& value);

  platform::ProfileFile& profile() { return file_; }

 private:
  [[noreturn]] void RaiseWriteError() const;

  std::string file_name_;
  platform::ProfileFile file_;
  bool failed_ = false;
};

}  // namespace settings
