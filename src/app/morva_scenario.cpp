// morva-scenario [FILE]: the headless runner. Reads the script from FILE or
// standard input and prints the trace on standard output.
#include <fstream>
#include <iostream>

#include "scenario/runner.h"

int main(int argc, char** argv) {
  if (argc > 2) {
    std::cerr << "usage: morva-scenario [FILE]\n";
    return 2;
  }
  std::ifstream file;
  if (argc == 2) {
    file.open(argv[1], std::ios::binary);
    if (!file) {
      std::cerr << "morva-scenario: cannot read " << argv[1] << "\n";
      return 2;
    }
  }
  scenario::Runner runner(argc == 2 ? static_cast<std::istream&>(file) : std::cin, std::cout);
  return runner.Run();
}
