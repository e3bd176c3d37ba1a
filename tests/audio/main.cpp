// The audio tests run against a private JACK server on the dummy driver,
// started here for all of them. Where jackd is not installed they are
// skipped (77) and say why.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "jackserver.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const std::string name = "morva-test-" + std::to_string(::getpid());
  ::setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
  testing_support::JackServer server(name);
  if (!server.spawned()) {
    std::printf("jackd is not installed (Debian package jackd2): the audio tests are skipped\n");
    return 77;
  }
  if (!server.up()) {
    std::fprintf(stderr, "the JACK server %s did not come up\n", name.c_str());
    return 1;
  }
  return RUN_ALL_TESTS();
}
