#pragma once
// --client: the user's chess client, started by the relay and pointed at it.
#include <string>
#include <string_view>

#include "relay/options.h"

namespace relay {

// `pattern` with %h and %p replaced by `relay`'s host and port, %% by one %; any other % stays.
// The host is a numeric address, which the shell takes as it stands.
std::string ClientCommand(std::string_view pattern, const Endpoint& relay);

// Where a client on this machine reaches a relay listening on `listening`: an unspecified
// address (0.0.0.0, ::) is reached through loopback.
Endpoint ClientTarget(const Endpoint& listening);

}  // namespace relay
