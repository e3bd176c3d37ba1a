// A MIDI controller for the tests: sends messages to a JACK port and prints
// what it hears from another, one message a line in hexadecimal.
//   morva-midi-probe SEND_TO HEAR_FROM LISTEN_MS [MESSAGE]...
// where a MESSAGE is its bytes in hexadecimal ("B0017F"). Exits 1 when it
// cannot join the server or connect.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "audio/midiclient.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: morva-midi-probe SEND_TO HEAR_FROM LISTEN_MS [MESSAGE]...\n");
    return 2;
  }
  testing_support::MidiClient client("morva-midi-probe", argv[1], argv[2]);
  if (!client.ok()) {
    std::fprintf(stderr, "morva-midi-probe: cannot join the server or connect\n");
    return 1;
  }
  for (int i = 4; i < argc; ++i) {
    const std::string hex = argv[i];
    std::vector<std::uint8_t> bytes;
    for (std::size_t k = 0; k + 1 < hex.size(); k += 2)
      bytes.push_back(
          static_cast<std::uint8_t>(std::strtoul(hex.substr(k, 2).c_str(), nullptr, 16)));
    client.Send(bytes);
    // Each in a cycle of its own, as a controller sends them.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  for (const audio::MidiEvent& e :
       client.Heard(1000000, std::chrono::milliseconds(std::atoi(argv[3])))) {
    for (std::size_t k = 0; k < e.size; ++k) std::printf("%02X", e.bytes[k]);
    std::printf("\n");
  }
  return 0;
}
