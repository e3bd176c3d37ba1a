#include "platform/tempfolder.h"

#include <stdlib.h>

#include <stdexcept>
#include <system_error>

namespace platform {

std::filesystem::path MakeTemporaryFolder(const std::string& prefix) {
  std::string name = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (::mkdtemp(name.data()) == nullptr)
    throw std::runtime_error("cannot make a temporary folder " + name);
  return name;
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace platform
