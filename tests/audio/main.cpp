// The audio tests run against a private JACK server on the dummy driver,
// started here for all of them. Where jackd is not installed they are
// skipped (77) and say why.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "jackserver.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing_support::JackServer server("morva-test");
  if (!server.spawned()) {
    std::printf("jackd is not installed (Debian package jackd2): the audio tests are skipped\n");
    return 77;
  }
  if (!server.up()) {
    std::fprintf(stderr, "no private JACK server (morva-test-0 .. 7) came up\n");
    return 1;
  }
  ::setenv("JACK_DEFAULT_SERVER", server.name().c_str(), 1);
  return RUN_ALL_TESTS();
}
