#pragma once
// An initialisation file held in memory line by line. Edits touch only the
// lines they concern, so comments, blank lines, line ends and the spelling of
// untouched lines survive byte for byte; users edit this file by hand and
// carry it between systems.
//
// Reading follows the rules such files have always had: blanks and tabs
// around names and values are ignored, names match without regard to case,
// the first of two equal sections or keys wins, a line whose first non-blank
// character is ';' is a comment, and one pair of matching quotes around a
// value is dropped.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

enum class ProfileEdit {
  kRefused,    // the name or value would break the file's lines; nothing changed
  kUnchanged,  // valid, but the file already said so
  kChanged,
};

class ProfileDocument {
 public:
  ProfileDocument() = default;
  static ProfileDocument Parse(std::string_view content);
  std::string Serialize() const;

  // The value of the first matching key of the first matching section.
  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;
  // Every section header in file order, duplicates included.
  std::vector<std::string> SectionNames() const;
  // The key names of the first matching section in file order.
  std::vector<std::string> KeyNames(std::string_view section) const;

  // A rewritten key keeps its line; a new key follows the last key line of
  // its section; a new section goes at the end of the file.
  ProfileEdit Write(std::string_view section, std::string_view key, std::string_view value);
  // Removes the first matching key line.
  ProfileEdit EraseKey(std::string_view section, std::string_view key);
  // Removes the first matching section's header and key lines; its comments
  // and blank lines stay where they are.
  ProfileEdit EraseSection(std::string_view section);

  // Names may not hold anything that starts a comment, a section or a value,
  // nor a line break; values may not hold a line break.
  static bool IsValidName(std::string_view name);
  static bool IsValidValue(std::string_view value);

 private:
  struct Line {
    std::string text;  // without its line end
    std::string eol;   // "\r\n", "\n", "\r", or empty for a last line without one
  };
  struct Section {
    std::string name;
    Line header;
    std::vector<Line> body;
    // Folded key name -> body index of its first key line, built on first use.
    mutable std::unordered_map<std::string, std::size_t> keys;
    mutable bool indexed = false;
  };

  const Section* FindSection(std::string_view name) const;
  Section* FindSection(std::string_view name);
  static const Line* FindKeyLine(const Section& section, std::string_view key);
  static void IndexKeys(const Section& section);
  void RebuildSectionIndex();
  void EndLastLine();
  std::vector<Line>& ContainerBefore(std::size_t section);

  std::vector<Line> preamble_;  // lines before the first header
  std::vector<Section> sections_;
  std::unordered_map<std::string, std::size_t> section_index_;  // folded name -> first section
  std::string eol_ = "\r\n";  // line end for new lines: the file's own, CR LF for a new file
};

}  // namespace platform
