#pragma once
#include <sys/socket.h>

#include <optional>
#include <string>

#include "hostside/result.h"
#include "platform/posix/unique_fd.h"
#include "relay/options.h"

namespace relay {

using Fd = platform::detail::UniqueFd;

struct Address {
  sockaddr_storage storage{};
  socklen_t length = 0;
};

// The first address of an endpoint (numeric or a name); `passive` for one to listen on.
hostside::Result<Address> Resolve(const Endpoint& endpoint, bool passive);
bool IsLoopback(const Address& address);
std::string Describe(const Address& address);  // "127.0.0.1:5000", "[::1]:5000"

// Non-blocking, close-on-exec sockets.
hostside::Result<Fd> Listen(const Address& address);
Address LocalAddress(int fd);
// An invalid Fd when no connection waits.
Fd Accept(int listener, Address& peer);
// A connection under way; it is done when the socket turns writable (see ConnectError).
hostside::Result<Fd> StartConnect(const Address& address);
// Why the connection failed, or none when it stands.
std::optional<std::string> ConnectError(int fd);

}  // namespace relay
