// Feeds arbitrary bytes, as a server could send them, through what the relay reads of a session:
// telnet sequences, wrapping, escape sequences, the login and the translation into what vantor1
// is told. The first byte chooses how the bytes are cut into reads and whether the client
// answers between them; the rest is the stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "relay/server_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::uint8_t how = data[0];
  const std::size_t cut = 1 + (how & 0x0f);  // bytes per read
  const bool answers = (how & 0x10) != 0;
  relay::ServerStream stream((how & 0x20) != 0);
  std::span<const std::uint8_t> rest(data + 1, size - 1);
  relay::Clock::time_point now{};
  int identities = 0;
  const relay::ServerStream::NoteFn check = [&](const relay::HostNote& note) {
    if (note.args.empty() || note.args[0].size() > relay::kMaxArgument) {
      std::abort();
    }
    if (note.type == 0 && ++identities > 1) {
      std::abort();  // the user is told once
    }
  };
  while (!rest.empty()) {
    const std::size_t n = std::min(cut, rest.size());
    stream.Feed(rest.first(n), now, check);
    rest = rest.subspan(n);
    if (answers) {
      stream.ClientLine("bobby");
    }
    now += std::chrono::milliseconds(100);
    stream.OnTime(now, check);
  }
  stream.OnTime(now + std::chrono::seconds(1), check);
  return 0;
}
