// Any bytes on the one-instance socket: read as a request, or refused,
// never a crash or a hang; a request is carried out on the program and
// answered with an exit status the command line knows.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "remote/channel.h"
#include "remote/commands.h"
#include "remote_program.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  bool bad = false;
  const auto words = remote::DecodeRequest(bytes, bad);
  if (!words) return 0;
  FUZZ_CHECK(!bad);
  // What comes back encoded comes back as it was.
  bool again_bad = false;
  FUZZ_CHECK(remote::DecodeRequest(remote::EncodeRequest(*words), again_bad) == words ||
             words->empty());
  auto& program = fuzz_support::RemoteProgram::Get();
  const remote::CommandReply reply = remote::RunCommand(program.surface(), *words);
  FUZZ_CHECK(static_cast<int>(reply.status) >= 0 && static_cast<int>(reply.status) <= 2);
  const remote::CommandReply back = remote::DecodeReply(remote::EncodeReply(reply));
  FUZZ_CHECK(back.status == reply.status);
  program.Settle();
  return 0;
}
