#include "platform/doorbell.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::detail {

namespace {

std::string DoorbellDir() {
  return "/tmp/vantor1-" + std::to_string(::geteuid());
}

// The directory must be a real directory of the user's that nobody else can enter, or another
// user could plant or read sockets in it.
bool IsPrivateDir(const std::string& dir) {
  struct stat st {};
  return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 077) == 0;
}

bool EnsurePrivateDir() {
  const std::string dir = DoorbellDir();
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    return false;
  }
  // The user's own directory with a wider mode (umask, an old run) is narrowed; anything else
  // (another owner, a symlink) is refused.
  struct stat st {};
  if (::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
      (st.st_mode & 077) != 0) {
    ::chmod(dir.c_str(), 0700);
  }
  if (!IsPrivateDir(dir)) {
    errno = EACCES;
    return false;
  }
  return true;
}

bool FillAddress(ThreadId thread, sockaddr_un* addr) {
  const std::string path = DoorbellPath(thread);
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
  return DoorbellDir() + "/tq." + std::to_string(thread);
}

UniqueFd BindDoorbell(ThreadId thread) {
  sockaddr_un addr{};
  if (!EnsurePrivateDir() || !FillAddress(thread, &addr)) {
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
  if (!IsPrivateDir(DoorbellDir()) || !FillAddress(thread, &addr)) {
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

RingResult RingSelf(int boundFd, ThreadId thread) {
  sockaddr_un addr{};
  if (!FillAddress(thread, &addr)) {
    return RingResult::Failed;
  }
  const char byte = 1;
  return Classify(::sendto(boundFd, &byte, 1, MSG_DONTWAIT | MSG_NOSIGNAL,
                           reinterpret_cast<sockaddr*>(&addr), sizeof(addr)));
}

void Drain(int boundFd) {
  char buffer[64];
  while (::recv(boundFd, buffer, sizeof(buffer), MSG_DONTWAIT) >= 0 || errno == EINTR) {
  }
}

}  // namespace platform::detail
