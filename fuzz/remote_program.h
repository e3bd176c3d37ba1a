#pragma once
// The program with two cards, made once and kept for every input: its
// windows as start-up makes them, without the main loop (control from
// outside never waits for input), and the control surface on it.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "common/headless_program.h"
#include "remote/surface.h"

namespace fuzz_support {

class RemoteProgram {
 public:
  static RemoteProgram& Get() {
    static RemoteProgram program;
    return program;
  }
  remote::ControlSurface& surface() { return surface_; }
  // After each input: what it posted is handled, windows made for it idle.
  void Settle() {
    program_.app.ProcessMessages();
    program_.Advance(remote::ControlSurface::kLingerMs);
    surface_.Tick();
  }

 private:
  static std::filesystem::path TempDir() {
    std::string dir =
        (std::filesystem::temp_directory_path() / "morva_fuzz_remote_XXXXXX").string();
    return ::mkdtemp(dir.data()) ? std::filesystem::path(dir)
                                 : std::filesystem::temp_directory_path();
  }

  RemoteProgram() : dir_(TempDir()), program_(dir_, 2) { program_.MakeWindows(); }

  ~RemoteProgram() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  std::filesystem::path dir_;
  testing_support::HeadlessProgram program_;
  remote::ControlSurface surface_{program_.state, program_.clock};
};

}  // namespace fuzz_support
