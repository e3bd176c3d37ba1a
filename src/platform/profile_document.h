#pragma once
// An initialisation file held in memory. Edits touch only the lines they
// concern, so comments, blank lines, line ends and the spelling of untouched
// lines survive byte for byte; users edit this file by hand and carry it
// between systems.
//
// Reading follows the rules such files have always had: blanks and tabs
// around names and values are ignored, names match without regard to case,
// the first of two equal sections or keys wins, a line whose first non-blank
// character is ';' is a comment, and one pair of matching quotes around a
// value is dropped.
//
// Byte-order marks are honoured as Windows' profile functions honour them: a
// UTF-8 mark is skipped on reading and kept on writing; a file that starts
// with a UTF-16 mark (little- or big-endian) is read and written as UTF-16.
// Names and values are UTF-8 either way.
//
// The representation is compact, since a long-used file can hold tens of
// megabytes of presets: the file's text is one shared buffer, each section
// a byte range in it, and only the sections that an edit touched are held
// line by line. Copying a document shares the buffer.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/profile_index.h"

namespace platform {

enum class ProfileEdit {
  kRefused,    // the name or value would break the file's lines; nothing changed
  kUnchanged,  // valid, but the file already said so
  kChanged,
};

enum class ProfileEncoding {
  kPlain,    // bytes as they are (UTF-8 in practice), no mark
  kUtf8Bom,  // UTF-8 after the mark EF BB BF
  kUtf16LE,  // UTF-16 after the mark FF FE
  kUtf16BE,  // UTF-16 after the mark FE FF
};

class ProfileDocument {
 public:
  // The largest text the document holds (its offsets are 32-bit); the store
  // refuses larger files as unreadable.
  static constexpr std::size_t kMaxBytes = std::size_t{1} << 30;

  ProfileDocument();
  ~ProfileDocument();
  ProfileDocument(const ProfileDocument& other);
  ProfileDocument& operator=(const ProfileDocument& other);
  ProfileDocument(ProfileDocument&& other) noexcept;
  ProfileDocument& operator=(ProfileDocument&& other) noexcept;

  // The file's bytes; a byte-order mark decides the encoding.
  static ProfileDocument Parse(std::string_view content);
  // The same, taking over the buffer (no copy for a file without a mark).
  static ProfileDocument ParseOwned(std::string&& content);

  // The bytes of the file as it now reads, mark and encoding included.
  std::string Serialize() const;
  // The same bytes handed to sink in pieces, without building them as one
  // string; false as soon as sink returns false.
  using Sink = std::function<bool(std::string_view)>;
  bool WriteTo(const Sink& sink) const;
  // How many bytes Serialize() gives.
  std::uint64_t SerializedSize() const;
  ProfileEncoding encoding() const { return encoding_; }
  // Heap bytes held (the shared text counted whole), for measurements.
  std::size_t MemoryBytes() const;

  // The value of the first matching key of the first matching section.
  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;
  // Every section header in file order, duplicates included.
  std::vector<std::string> SectionNames() const;
  void ForEachSectionName(const std::function<void(std::string_view)>& visit) const;
  // The key names of the first matching section in file order.
  std::vector<std::string> KeyNames(std::string_view section) const;
  bool HasKey(std::string_view section, std::string_view key) const;
  // True when Write(section, key, value) would change nothing.
  bool Holds(std::string_view section, std::string_view key, std::string_view value) const;

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
  // A section (or the part before the first section, or what an erased
  // section left behind) that an edit touched, held line by line.
  struct Owned {
    std::string name;
    Line header;
    std::vector<Line> body;
    // Folded key name -> body index of its first key line, built on first use.
    mutable std::unordered_map<std::string, std::size_t> keys;
    mutable bool indexed = false;
  };
  static constexpr std::uint32_t kNotOwned = 0xFFFFFFFFu;
  // One section in file order. Until an edit touches it, its bytes are
  // [begin, end) of the text; then owned names its lines.
  struct Block {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    std::uint32_t owned = kNotOwned;
    bool header = false;  // false: the preamble, or an erased section's leftovers
  };
  struct KeyCache;  // key indexes of untouched sections, built on first use

  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  std::string_view Text() const { return *text_; }
  std::string_view BlockName(std::size_t block) const;
  std::size_t BodyBegin(std::size_t block) const;
  std::size_t FindSection(std::string_view name) const;
  std::optional<std::string_view> FindKeyText(std::size_t block, std::string_view key) const;
  static const Line* FindOwnedKeyLine(const Owned& o, std::string_view key);
  static void IndexKeys(const Owned& o);
  Owned& Materialize(std::size_t block);
  void EndLastLine();
  void AppendSection(std::string_view name, std::string_view key, std::string_view value);

  void BuildIndex();

  std::shared_ptr<const std::string> text_;  // the file's text, without a mark, as UTF-8
  std::vector<Block> blocks_;                // blocks_[0] is the preamble
  std::vector<std::unique_ptr<Owned>> owned_;
  SectionIndex index_;
  std::string eol_ = "\r\n";  // line end for new lines: the file's own, CR LF for a new file
  ProfileEncoding encoding_ = ProfileEncoding::kPlain;
  std::uint32_t text_begin_ = 0;  // the text starts after a UTF-8 mark
  std::optional<char> odd_byte_;  // a UTF-16 file's odd last byte, kept as it was
  std::unique_ptr<KeyCache> key_cache_;
};

}  // namespace platform
