#pragma once
// A file's content put and got, and a temporary folder made the stand-in
// Windows directory for one test.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/tempfolder.h"
#include "platform/windir.h"

namespace testing_support {

// A file's whole content, byte for byte.
inline void Put(const std::filesystem::path& p, const std::string& content) {
  std::ofstream(p, std::ios::binary) << content;
}
inline std::string Get(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The Windows directory for one test; removed, and the default restored,
// when it goes.
class TempWindowsDir {
 public:
  explicit TempWindowsDir(const std::string& prefix) : dir_(prefix) {
    platform::SetWindowsDirectory(dir_.path());
  }
  ~TempWindowsDir() { platform::SetWindowsDirectory({}); }
  TempWindowsDir(const TempWindowsDir&) = delete;
  TempWindowsDir& operator=(const TempWindowsDir&) = delete;

  const std::filesystem::path& path() const { return dir_.path(); }
  void Put(const std::string& content, const std::string& name = "Vozururo.ini") const {
    testing_support::Put(path() / name, content);
  }
  std::string Content(const std::string& name = "Vozururo.ini") const {
    return testing_support::Get(path() / name);
  }

 private:
  platform::TemporaryFolder dir_;
};

}  // namespace testing_support
