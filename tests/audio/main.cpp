// The audio tests run against a private server started here for all of
// them: JACK's own on the dummy driver, or with --server=pipewire PipeWire
// and WirePlumber (the program then runs under pw-jack, with PipeWire's
// JACK library). Where the server is not installed they are skipped (77)
// and say why.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "audioserver.h"

namespace {

// The JACK library this program runs with is PipeWire's.
bool PipeWiresJack() {
  Dl_info info{};
  return ::dladdr(reinterpret_cast<void*>(&jack_client_open), &info) != 0 && info.dli_fname &&
         std::strstr(info.dli_fname, "pipewire") != nullptr;
}

}  // namespace

// PipeWire's JACK library (0.3.65) keeps the memory of a closed client's
// ports and properties, however the client is closed: not ours to free.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:pipewire-0.3/jack/libjack.so\nleak:libpipewire-0.3.so\n";
}

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  using testing_support::ServerKind;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--server=pipewire")
      testing_support::g_server_kind = ServerKind::PipeWire;
  const bool pipewire = testing_support::g_server_kind == ServerKind::PipeWire;
  if (pipewire && !PipeWiresJack()) {
    std::printf(
        "not running with PipeWire's JACK library (pw-jack, package pipewire-jack): "
        "the PipeWire audio tests are skipped\n");
    return 77;
  }
  auto server = testing_support::AudioServer::Make("morva-test");
  if (!server->installed()) {
    std::printf(pipewire ? "pipewire, wireplumber or dbus-daemon is not installed: the PipeWire "
                           "audio tests are skipped\n"
                         : "jackd is not installed (Debian package jackd2): the audio tests are "
                           "skipped\n");
    return 77;
  }
  if (!server->up()) {
    std::printf("no private %s server would start (%s): the audio tests are skipped\n",
                pipewire ? "PipeWire" : "JACK", server->name().c_str());
    return 77;
  }
  server->Use();
  return RUN_ALL_TESTS();
}
