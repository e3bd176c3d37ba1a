#include "ui/sysutils.h"

#include <cmath>
#include <limits>

#include "ui/exceptions.h"

namespace ui {

namespace {
char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string IntToHex(std::uint64_t v, int digits) {
  static const char* kDigits = "0123456789ABCDEF";
  std::string s;
  do {
    s.insert(s.begin(), kDigits[v & 15]);
    v >>= 4;
  } while (v != 0);
  while (static_cast<int>(s.size()) < digits) s.insert(s.begin(), '0');
  return s;
}

std::optional<std::int64_t> TryStrToInt(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return std::nullopt;
  std::uint64_t v = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return std::nullopt;
    v = v * base + d;
    // Hexadecimal may fill all 32 bits (as $FFFFFFFF = -1); decimal must fit.
    if (v > (base == 16 ? 0xFFFFFFFFull : 0x80000000ull)) return std::nullopt;
  }
  std::int64_t r;
  if (base == 16)
    r = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  else
    r = static_cast<std::int64_t>(v);
  if (negative) r = -r;
  if (r > std::numeric_limits<std::int32_t>::max() || r < std::numeric_limits<std::int32_t>::min())
    return std::nullopt;
  return r;
}

std::int32_t StrToInt(std::string_view s) {
  auto v = TryStrToInt(s);
  if (!v) throw EConvertError("'" + std::string(s) + "' ist kein gültiger Integerwert");
  return static_cast<std::int32_t>(*v);
}

std::int64_t RoundHalfEven(double v) {
  return static_cast<std::int64_t>(std::nearbyint(v));
}

}  // namespace ui
