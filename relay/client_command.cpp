#include "relay/client_command.h"

namespace relay {

std::string ClientCommand(std::string_view pattern, const Endpoint& relay) {
  std::string command;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    if (pattern[i] != '%' || (next != 'h' && next != 'p' && next != '%')) {
      command += pattern[i];
      continue;
    }
    command += next == 'h' ? relay.host : next == 'p' ? std::to_string(relay.port) : "%";
    ++i;
  }
  return command;
}

Endpoint ClientTarget(const Endpoint& listening) {
  if (listening.host == "0.0.0.0") {
    return {"127.0.0.1", listening.port};
  }
  if (listening.host == "::") {
    return {"::1", listening.port};
  }
  return listening;
}

}  // namespace relay
