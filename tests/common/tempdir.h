#pragma once
// A fresh temporary directory for one test, a file's content put and got,
// and the directory made the stand-in Windows directory.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/windir.h"

namespace testing_support {

// The caller removes it.
inline std::filesystem::path MakeTempDir(const std::string& prefix) {
  std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX")).string();
  if (::mkdtemp(tmpl.data()) == nullptr) ADD_FAILURE() << "cannot make " << tmpl;
  return tmpl;
}

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
  explicit TempWindowsDir(const std::string& prefix) : dir_(MakeTempDir(prefix)) {
    platform::SetWindowsDirectory(dir_);
  }
  ~TempWindowsDir() {
    platform::SetWindowsDirectory({});
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  TempWindowsDir(const TempWindowsDir&) = delete;
  TempWindowsDir& operator=(const TempWindowsDir&) = delete;

  const std::filesystem::path& path() const { return dir_; }
  void Put(const std::string& content, const std::string& name = "Vozururo.ini") const {
    testing_support::Put(dir_ / name, content);
  }
  std::string Content(const std::string& name = "Vozururo.ini") const {
    return testing_support::Get(dir_ / name);
  }

 private:
  std::filesystem::path dir_;
};

}  // namespace testing_support
