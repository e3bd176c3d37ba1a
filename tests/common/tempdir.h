#pragma once
// A fresh temporary directory for one test (the caller removes it).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace testing_support {

inline std::filesystem::path MakeTempDir(const std::string& prefix) {
  std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX")).string();
  if (::mkdtemp(tmpl.data()) == nullptr) ADD_FAILURE() << "cannot make " << tmpl;
  return tmpl;
}

}  // namespace testing_support
