// Any script line: the runner's tokenizer never crashes or hangs, and a
// line made of its tokens, quoted again, reads back as the same tokens.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "scenario/script.h"

namespace {

std::string Quote(const std::string& token) {
  std::string out = "\"";
  for (char c : token) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\r') {
      out += "\\r";
      continue;
    }
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> tokens;
  try {
    tokens = scenario::Tokenize(line);
  } catch (const scenario::ScriptError&) {
    return 0;
  }
  std::string again;
  for (const std::string& t : tokens) again += Quote(t) + " ";
  FUZZ_CHECK(scenario::Tokenize(again) == tokens);
  return 0;
}
