#pragma once
// Fresh folders under the system's temporary folder, for runs that must
// leave the user's own folders alone (the runner, the picture mode, tests).
#include <filesystem>
#include <string>

namespace platform {

// Makes <temporary folder>/<prefix>-XXXXXX, readable by this user only;
// throws std::runtime_error when it cannot. The caller removes it.
std::filesystem::path MakeTemporaryFolder(const std::string& prefix);

// A folder made with the object and removed, with all it holds, when the
// object goes.
class TemporaryFolder {
 public:
  explicit TemporaryFolder(const std::string& prefix) : path_(MakeTemporaryFolder(prefix)) {}
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace platform
