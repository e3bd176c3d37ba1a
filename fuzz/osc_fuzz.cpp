// Any datagram on the OSC socket: a message or a bundle carried out on the
// program, answered or dropped, never a crash or a hang; every answer is
// an OSC message.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "remote/osc.h"
#include "remote/requests.h"
#include "remote_program.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& program = fuzz_support::RemoteProgram::Get();
  static remote::RequestQueue requests(program.surface());
  static remote::OscEndpoint endpoint(
      program.surface(), requests, [](const remote::OscPeer&, const std::string& packet) {
        std::string path;
        std::vector<remote::OscArg> args;
        FUZZ_CHECK(remote::DecodeOsc(packet, path, args) == remote::Decoded::kMessage);
      });
  remote::OscPeer from;
  from.len = sizeof(sockaddr_storage);
  endpoint.Receive(std::string_view(reinterpret_cast<const char*>(data), size), from);
  program.Settle();
  return 0;
}
