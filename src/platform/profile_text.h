#pragma once
// The text rules of initialisation files, shared by the settings document
// and its section index: blanks, case folding of names, what a line is, and
// the UTF-16 a file with that byte-order mark is written in. Internal to the
// settings store.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::profile_text {

inline constexpr std::size_t kNpos = std::string_view::npos;
inline constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

inline bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
std::string_view Trim(std::string_view s);

// Case folding for matching names: ASCII letters and the accented capitals
// of the Latin-1 range written as UTF-8 ("Ä" matches "ä"). Fed one byte
// after the other; the byte after 0xC3 is folded as the second byte of a
// Latin-1 letter and never as ASCII.
class Folder {
 public:
  unsigned char operator()(unsigned char c) {
    if (after_c3_) {
      after_c3_ = false;
      return c >= 0x80 && c <= 0x9E && c != 0x97 ? static_cast<unsigned char>(c + 0x20) : c;
    }
    if (c == 0xC3) after_c3_ = true;
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
  }

 private:
  bool after_c3_ = false;
};

std::string Fold(std::string_view s);
std::string FoldedTrim(std::string_view s);
std::uint32_t FoldHash(std::string_view s);
bool FoldEqual(std::string_view a, std::string_view b);

enum class LineKind { kOther, kComment, kHeader, kKey };
LineKind Classify(std::string_view text);
// "[name" without "]" still names a section; text after "]" is ignored.
std::string_view HeaderName(std::string_view text);
std::string_view KeyName(std::string_view text);
std::string_view RawValue(std::string_view text);
// One pair of matching quotes around a value is dropped.
std::string_view Unquote(std::string_view v);

// The next line end ('\n' or '\r') at or after pos, kNpos when none.
std::size_t FindEol(std::string_view s, std::size_t pos);
// 2 for CR LF, else 1.
std::size_t EolLength(std::string_view s, std::size_t at);

// Walks the lines of [pos, end) of s: text without its line end, and the end.
template <typename F>
void ForEachLine(std::string_view s, std::size_t pos, std::size_t end, F&& visit) {
  while (pos < end) {
    const std::size_t e = FindEol(s, pos);
    if (e == kNpos || e >= end) {
      visit(s.substr(pos, end - pos), std::string_view(), pos);
      return;
    }
    const std::size_t n = EolLength(s, e);
    if (!visit(s.substr(pos, e - pos), s.substr(e, n), pos)) return;
    pos = e + n;
  }
}

// ---- UTF-16

// UTF-16 code units to UTF-8. A surrogate without its partner is written as
// the three bytes of its own value, so that writing the text back gives the
// same units: the file's bytes survive whatever they hold.
std::string DecodeUtf16(std::string_view bytes, bool big_endian);

inline bool Continuation(std::string_view s, std::size_t i) {
  return i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
}

// UTF-8 to UTF-16 code units, the exact inverse of DecodeUtf16. A byte that
// starts no valid sequence stands for the Latin-1 character of its value.
template <typename Unit>
void EncodeUtf16(std::string_view s, Unit&& unit) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    auto at = [&](std::size_t k) { return static_cast<std::uint32_t>(s[i + k]) & 0x3F; };
    if (c < 0x80) {
      unit(c);
      i += 1;
      continue;
    }
    if ((c & 0xE0) == 0xC0 && Continuation(s, i + 1)) {
      const std::uint32_t cp = (c & 0x1Fu) << 6 | at(1);
      if (cp >= 0x80) {
        unit(cp);
        i += 2;
        continue;
      }
    } else if ((c & 0xF0) == 0xE0 && Continuation(s, i + 1) && Continuation(s, i + 2)) {
      const std::uint32_t cp = (c & 0x0Fu) << 12 | at(1) << 6 | at(2);
      if (cp >= 0x800) {
        unit(cp);
        i += 3;
        continue;
      }
    } else if ((c & 0xF8) == 0xF0 && Continuation(s, i + 1) && Continuation(s, i + 2) &&
               Continuation(s, i + 3)) {
      const std::uint32_t cp = (c & 0x07u) << 18 | at(1) << 12 | at(2) << 6 | at(3);
      if (cp >= 0x10000 && cp <= 0x10FFFF) {
        unit(0xD800 + ((cp - 0x10000) >> 10));
        unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        i += 4;
        continue;
      }
    }
    unit(c);
    i += 1;
  }
}

}  // namespace platform::profile_text
