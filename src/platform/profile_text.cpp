#include "platform/profile_text.h"

namespace platform::profile_text {

std::string_view Trim(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string Fold(std::string_view s) {
  std::string out(s);
  Folder fold;
  for (char& c : out) c = static_cast<char>(fold(static_cast<unsigned char>(c)));
  return out;
}

std::string FoldedTrim(std::string_view s) {
  return Fold(Trim(s));
}

std::uint32_t FoldHash(std::string_view s) {
  std::uint32_t h = 2166136261u;
  Folder fold;
  for (char c : s) {
    h ^= fold(static_cast<unsigned char>(c));
    h *= 16777619u;
  }
  return h;
}

bool FoldEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  Folder fa;
  Folder fb;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fa(static_cast<unsigned char>(a[i])) != fb(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

LineKind Classify(std::string_view text) {
  const std::string_view t = Trim(text);
  if (t.empty()) return LineKind::kOther;
  if (t.front() == ';') return LineKind::kComment;
  if (t.front() == '[') return LineKind::kHeader;
  if (t.find('=') != std::string_view::npos) return LineKind::kKey;
  return LineKind::kOther;
}

std::string_view HeaderName(std::string_view text) {
  std::string_view t = Trim(text).substr(1);
  const std::size_t close = t.find(']');
  if (close != std::string_view::npos) t = t.substr(0, close);
  return Trim(t);
}

std::string_view KeyName(std::string_view text) {
  return Trim(text.substr(0, text.find('=')));
}

std::string_view RawValue(std::string_view text) {
  return Trim(text.substr(text.find('=') + 1));
}

std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

std::size_t FindEol(std::string_view s, std::size_t pos) {
  for (; pos < s.size(); ++pos) {
    if (s[pos] == '\n' || s[pos] == '\r') return pos;
  }
  return kNpos;
}

std::size_t EolLength(std::string_view s, std::size_t at) {
  return s[at] == '\r' && at + 1 < s.size() && s[at + 1] == '\n' ? 2 : 1;
}

namespace {

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string DecodeUtf16(std::string_view bytes, bool big_endian) {
  const std::size_t units = bytes.size() / 2;
  auto unit = [&](std::size_t i) -> std::uint32_t {
    const auto a = static_cast<unsigned char>(bytes[2 * i]);
    const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
    return big_endian ? (a << 8 | b) : (b << 8 | a);
  };
  std::string out;
  out.reserve(units + units / 8);
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      const std::uint32_t v = unit(i + 1);
      if (v >= 0xDC00 && v <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, u);
  }
  return out;
}

}  // namespace platform::profile_text
