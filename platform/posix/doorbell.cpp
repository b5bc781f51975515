#include "platform/posix/doorbell.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/user_files.h"

namespace platform::detail {

namespace {

bool FillAddress(ThreadId thread, sockaddr_un* addr) {
  const std::string path = DoorbellPath(thread);
  if (path.empty()) {
    return false;
  }
  std::memset(addr, 0, sizeof(*addr));
  addr->sun_family = AF_UNIX;
  if (path.size() >= sizeof(addr->sun_path)) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
  return true;
}

UniqueFd NewSocket() {
  return UniqueFd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
}

RingResult Classify(ssize_t sent) {
  if (sent == 1) {
    return RingResult::Rung;
  }
  switch (errno) {
    case EAGAIN:
      return RingResult::AlreadyPending;
    case ECONNREFUSED:
    case ENOENT:
    case ENOTCONN:
    case ECONNRESET:
    case EPIPE:
      return RingResult::NoReceiver;
    default:
      return RingResult::Failed;
  }
}

}  // namespace

std::string DoorbellPath(ThreadId thread) {
  return UserObjectPath("bell", std::to_string(thread));
}

UniqueFd BindDoorbell(ThreadId thread) {
  sockaddr_un addr{};
  if (!FillAddress(thread, &addr)) {
    return UniqueFd();
  }
  ::unlink(addr.sun_path);
  UniqueFd fd = NewSocket();
  if (fd.Valid() && ::bind(fd.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    fd.Reset();
  }
  return fd;
}

bool DoorbellInUse(ThreadId thread) {
  return ConnectDoorbell(thread).Valid();
}

void UnbindDoorbell(ThreadId thread) {
  ::unlink(DoorbellPath(thread).c_str());
}

UniqueFd ConnectDoorbell(ThreadId thread) {
  sockaddr_un addr{};
  if (!FillAddress(thread, &addr)) {
    errno = ENOENT;
    return UniqueFd();
  }
  UniqueFd fd = NewSocket();
  if (fd.Valid() && ::connect(fd.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    fd.Reset();
  }
  return fd;
}

RingResult Ring(int connectedFd) {
  const char byte = 1;
  return Classify(::send(connectedFd, &byte, 1, MSG_DONTWAIT | MSG_NOSIGNAL));
}

void Drain(int boundFd) {
  // Usually one byte waits: one call takes up to a batch, and a short batch means none is left.
  constexpr unsigned kBatch = 8;
  char bytes[kBatch];
  iovec slots[kBatch];
  mmsghdr messages[kBatch];
  for (;;) {
    std::memset(messages, 0, sizeof messages);
    for (unsigned i = 0; i < kBatch; ++i) {
      slots[i] = {&bytes[i], 1};
      messages[i].msg_hdr.msg_iov = &slots[i];
      messages[i].msg_hdr.msg_iovlen = 1;
    }
    const int taken = ::recvmmsg(boundFd, messages, kBatch, MSG_DONTWAIT, nullptr);
    if (taken < 0 ? errno != EINTR : taken < static_cast<int>(kBatch)) {
      return;
    }
  }
}

}  // namespace platform::detail
