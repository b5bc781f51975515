#include "platform/posix/file_lock.h"

#include "platform/guarded_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

namespace platform::detail {

namespace {

bool SetLock(int fd, off_t slot, short type, int command) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = slot;
  lock.l_len = 1;
  while (::fcntl(fd, command, &lock) != 0) {
    if (errno != EINTR) {
      return false;
    }
  }
  return true;
}

}  // namespace

FileLock::FileLock(int fd, off_t slot, std::atomic<std::uint32_t>* owner)
    : fd_(fd), pid_(::getpid()), slot_(slot), owner_(owner) {}

FileLock::~FileLock() {
  while (Unlock()) {
  }
  if (ownFd_ >= 0) {
    ::close(ownFd_);
  }
}

int FileLock::Fd() {
  if (pid_ != ::getpid()) {
    // A forked child shares the parent's open file description, and so its locks.
    pid_ = ::getpid();
    depth_ = 0;
    if (ownFd_ >= 0) {
      ::close(ownFd_);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd_);
    ownFd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    fd_ = ownFd_;
  }
  return fd_;
}

LockResult FileLock::Lock() {
  if (depth_ > 0) {
    ++depth_;
    return LockResult::Locked;
  }
  const int fd = Fd();
  if (fd < 0 || !SetLock(fd, slot_, F_WRLCK, F_OFD_SETLKW)) {
    return LockResult::Failed;
  }
  // The owner word lies in a mapping that another process may shrink: touched only through
  // guarded copies, and only by the holder.
  std::uint32_t previous = 0;
  const auto self = static_cast<std::uint32_t>(pid_);
  if (!CopyGuarded(&previous, owner_, sizeof previous) ||
      !CopyGuarded(owner_, &self, sizeof self)) {
    SetLock(fd, slot_, F_UNLCK, F_OFD_SETLK);
    return LockResult::Failed;
  }
  depth_ = 1;
  return previous != 0 ? LockResult::Recovered : LockResult::Locked;
}

bool FileLock::Unlock() {
  if (depth_ == 0) {
    return false;
  }
  if (--depth_ > 0) {
    return true;
  }
  const std::uint32_t none = 0;
  (void)CopyGuarded(owner_, &none, sizeof none);
  return SetLock(Fd(), slot_, F_UNLCK, F_OFD_SETLK);
}

bool HoldMark(int fd, off_t slot) {
  return SetLock(fd, slot, F_WRLCK, F_OFD_SETLK);
}

bool IsMarkHeld(int fd, off_t slot) {
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = slot;
  probe.l_len = 1;
  return ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

}  // namespace platform::detail
