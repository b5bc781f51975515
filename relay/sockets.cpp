#include "relay/sockets.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>

#include <cerrno>
#include <cstring>

namespace relay {

using hostside::ErrorCode;
using hostside::Fail;
using hostside::Result;

Result<Address> Resolve(const Endpoint& endpoint, bool passive) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = passive ? AI_PASSIVE : 0;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(endpoint.port);
  if (const int rc = getaddrinfo(endpoint.host.c_str(), port.c_str(), &hints, &found); rc != 0) {
    return Fail(ErrorCode::System, endpoint.host + ": " + gai_strerror(rc));
  }
  Address address;
  std::memcpy(&address.storage, found->ai_addr, found->ai_addrlen);
  address.length = found->ai_addrlen;
  freeaddrinfo(found);
  return address;
}

bool IsLoopback(const Address& address) {
  if (address.storage.ss_family == AF_INET) {
    const auto& in = reinterpret_cast<const sockaddr_in&>(address.storage);
    return (ntohl(in.sin_addr.s_addr) >> 24) == 127;
  }
  if (address.storage.ss_family == AF_INET6) {
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(address.storage);
    return IN6_IS_ADDR_LOOPBACK(&in6.sin6_addr);
  }
  return false;
}

std::string Describe(const Address& address) {
  char host[INET6_ADDRSTRLEN] = "?";
  if (address.storage.ss_family == AF_INET) {
    const auto& in = reinterpret_cast<const sockaddr_in&>(address.storage);
    inet_ntop(AF_INET, &in.sin_addr, host, sizeof host);
    return std::string(host) + ":" + std::to_string(ntohs(in.sin_port));
  }
  const auto& in6 = reinterpret_cast<const sockaddr_in6&>(address.storage);
  inet_ntop(AF_INET6, &in6.sin6_addr, host, sizeof host);
  return "[" + std::string(host) + "]:" + std::to_string(ntohs(in6.sin6_port));
}

namespace {

Result<Fd> NewSocket(const Address& address) {
  Fd fd(socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) {
    return Fail(ErrorCode::System, std::string("socket: ") + std::strerror(errno));
  }
  return fd;
}

// A chess session is small lines typed and answered: send each at once.
void NoDelay(int fd) {
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

Result<Fd> Listen(const Address& address) {
  Result<Fd> fd = NewSocket(address);
  const int on = 1;
  if (fd &&
      (setsockopt(fd->Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
       bind(fd->Get(), reinterpret_cast<const sockaddr*>(&address.storage), address.length) != 0 ||
       listen(fd->Get(), 16) != 0)) {
    return Fail(ErrorCode::System,
                "cannot listen on " + Describe(address) + ": " + std::strerror(errno));
  }
  return fd;
}

Address LocalAddress(int fd) {
  Address address;
  address.length = sizeof address.storage;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address.storage), &address.length);
  return address;
}

Fd Accept(int listener, Address& peer) {
  peer.length = sizeof peer.storage;
  Fd fd(accept4(listener, reinterpret_cast<sockaddr*>(&peer.storage), &peer.length,
                SOCK_NONBLOCK | SOCK_CLOEXEC));
  if (fd.Valid()) {
    NoDelay(fd.Get());
  }
  return fd;
}

Result<Fd> StartConnect(const Address& address) {
  Result<Fd> fd = NewSocket(address);
  if (fd) {
    NoDelay(fd->Get());
    if (connect(fd->Get(), reinterpret_cast<const sockaddr*>(&address.storage), address.length) !=
            0 &&
        errno != EINPROGRESS) {
      return Fail(ErrorCode::System,
                  "cannot connect to " + Describe(address) + ": " + std::strerror(errno));
    }
  }
  return fd;
}

std::optional<std::string> ConnectError(int fd) {
  int code = 0;
  socklen_t length = sizeof code;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &code, &length) != 0) {
    code = errno;
  }
  if (code == 0) {
    return std::nullopt;
  }
  return std::strerror(code);
}

}  // namespace relay
