#include "scenario/script.h"

#include "ui/sysutils.h"

namespace scenario {

std::int64_t Number(const std::string& s) {
  auto v = ui::TryStrToInt(s);
  if (!v) {
    // 32-bit values such as 0xFFFFFFFF, and larger decimals, as unsigned.
    try {
      size_t pos = 0;
      long long r = std::stoll(s, &pos, 0);
      if (pos == s.size()) return r;
    } catch (...) {
    }
    throw ScriptError{"not a number: " + s};
  }
  // "0x" numbers are unsigned 32-bit words here.
  if (s.rfind("0x", 0) == 0 || s.rfind("0X", 0) == 0) return static_cast<std::uint32_t>(*v);
  return *v;
}

std::vector<std::string> Tokenize(const std::string& line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      std::string tok;
      ++i;
      for (;;) {
        if (i >= line.size()) throw ScriptError{"unterminated quotes"};
        char d = line[i++];
        if (d == '"') break;
        if (d == '\\' && i < line.size()) {
          char e = line[i++];
          tok += e == 'r' ? '\r' : e == 'n' ? '\n' : e;
        } else {
          tok += d;
        }
      }
      out.push_back(tok);
    } else {
      std::string tok;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
        tok += line[i++];
      out.push_back(tok);
    }
  }
  return out;
}

}  // namespace scenario
