#pragma once
// The text of a runner script: a line's tokens and its numbers.
#include <cstdint>
#include <string>
#include <vector>

namespace scenario {

// A line that cannot be carried out. Not a std::exception, so that no
// handler of the application catches it on its way out.
struct ScriptError {
  std::string why;
};

// Blank-separated tokens up to a "#"; a token in double quotes may hold
// blanks and the escapes \" \\ \r \n. Raises ScriptError for open quotes.
std::vector<std::string> Tokenize(const std::string& line);
// A number of the script: decimal, or 0x hexadecimal read as an unsigned
// 32-bit word; raises ScriptError for anything else.
std::int64_t Number(const std::string& s);

}  // namespace scenario
