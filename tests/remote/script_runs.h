#pragma once
// The whole program run in-process on a scenario script, for the tests that
// compare what control from outside does with what the user's own actions
// do: the trace as lines.
#include <sstream>
#include <string>
#include <vector>

#include "scenario/runner.h"

namespace testing_support {

inline std::vector<std::string> RunScript(const std::string& script) {
  std::istringstream in(script);
  std::ostringstream out;
  scenario::Runner runner(in, out);
  runner.Run();
  std::vector<std::string> lines;
  std::istringstream trace(out.str());
  for (std::string line; std::getline(trace, line);) lines.push_back(line);
  return lines;
}

// The lines after the first "echo" marker line, without the replies of
// control from outside.
inline std::vector<std::string> After(const std::vector<std::string>& lines,
                                      const std::string& marker) {
  std::vector<std::string> out;
  bool on = false;
  for (const std::string& l : lines) {
    if (on && l.rfind("remote ", 0) != 0) out.push_back(l);
    if (l == marker) on = true;
  }
  return out;
}

// The reply text of the last "remote STATUS \"TEXT\"" line.
inline std::string LastReply(const std::vector<std::string>& lines) {
  for (auto it = lines.rbegin(); it != lines.rend(); ++it)
    if (it->rfind("remote ", 0) == 0) {
      const std::size_t q = it->find('"');
      return q == std::string::npos ? "" : it->substr(q + 1, it->size() - q - 2);
    }
  return {};
}

}  // namespace testing_support
