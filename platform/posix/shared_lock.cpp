#include "platform/posix/shared_lock.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <pthread.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

namespace platform::detail {

namespace {

constexpr std::uint32_t kWaiters = 0x80000000u;

thread_local std::uint32_t tThread = 0;
const bool kForkHandlerSet = [] {
  return pthread_atfork(nullptr, nullptr, [] { tThread = 0; }) == 0;
}();

// False when the time ran out (or the wait failed): only then may the holder have ended
// without waking anyone, since a live holder's unlock wakes us.
bool Sleep(std::atomic<std::uint32_t>* word, std::uint32_t expected, long timeoutNs) {
  const timespec timeout{timeoutNs / 1000000000L, timeoutNs % 1000000000L};
  return ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(word), FUTEX_WAIT, expected,
                   &timeout, nullptr, 0) == 0 ||
         errno == EAGAIN;
}

void WakeOne(std::atomic<std::uint32_t>* word) {
  ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(word), FUTEX_WAKE, 1, nullptr, nullptr, 0);
}

bool SetLock(int fd, off_t slot, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = slot;
  lock.l_len = 1;
  return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

}  // namespace

std::uint32_t CallingThread() {
  if (tThread == 0) {
    tThread = static_cast<std::uint32_t>(::gettid());
  }
  return tThread;
}

// A thread that has ended but whose process its parent has not reaped yet is a zombie, which
// kill() still finds. The parent may be the very process waiting for the lock.
bool Defunct(pid_t id) {
  char path[32];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(id));
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return errno == ENOENT;
  }
  char stat[256];
  const ssize_t n = ::read(fd, stat, sizeof stat - 1);
  ::close(fd);
  if (n <= 0) {
    return false;
  }
  stat[n] = '\0';
  // "pid (name) S ...": the name may hold anything, so the state follows the last ')'.
  const char* end = std::strrchr(stat, ')');
  return end != nullptr && end[1] == ' ' && (end[2] == 'Z' || end[2] == 'X');
}

bool ThreadGone(std::uint32_t id) {
  const auto thread = static_cast<pid_t>(id);
  if (id == 0 || thread <= 0) {
    return false;
  }
  // A thread id names its thread to kill() too; another user's live thread answers EPERM.
  if (::kill(thread, 0) != 0) {
    return errno == ESRCH;
  }
  return Defunct(thread);
}

SharedLock::~SharedLock() {
  while (Unlock()) {
  }
}

bool SharedLock::Held() const {
  return depth_ > 0 && holder_ == CallingThread();
}

LockResult SharedLock::Lock() {
  const std::uint32_t self = CallingThread();
  if (Held()) {
    ++depth_;
    return LockResult::Locked;
  }
  if (depth_ > 0) {
    return LockResult::Failed;  // held through this object by another thread of ours
  }
  LockResult result = LockResult::Locked;
  long sleepNs = 1000000;
  bool slept = false;
  bool timedOut = false;
  for (;;) {
    // A woken waiter cannot tell whether others still sleep: it takes the lock with the bit.
    std::uint32_t seen = 0;
    if (word_->compare_exchange_strong(seen, slept ? self | kWaiters : self,
                                       std::memory_order_acquire)) {
      break;
    }
    const std::uint32_t holder = seen & ~kWaiters;
    if (holder == 0) {
      // Free but flagged as waited on (a peer can write that): taken, keeping the flag, since
      // nobody would ever clear it for us.
      if (word_->compare_exchange_strong(seen, self | kWaiters, std::memory_order_acquire)) {
        break;
      }
      continue;
    }
    if (holder == self) {
      return LockResult::Failed;  // held by this thread through another object: never given
    }
    // A holder that lives gives the lock back and wakes us; the liveness probe costs system
    // calls, so it waits until a sleep ran out.
    if (std::exchange(timedOut, false) && ThreadGone(holder)) {
      // Taken over from a holder that ended; others may sleep, so the bit stays.
      if (word_->compare_exchange_strong(seen, self | kWaiters, std::memory_order_acquire)) {
        result = LockResult::Recovered;
        break;
      }
      continue;
    }
    if ((seen & kWaiters) == 0 &&
        !word_->compare_exchange_strong(seen, seen | kWaiters, std::memory_order_relaxed)) {
      continue;
    }
    timedOut = !Sleep(word_, seen | kWaiters, sleepNs);
    if (timedOut) {
      sleepNs = std::min(sleepNs * 2, 1000000000L);
    }
    slept = true;
  }
  holder_ = self;
  depth_ = 1;
  return result;
}

bool SharedLock::Unlock() {
  if (!Held()) {
    return false;
  }
  if (--depth_ > 0) {
    return true;
  }
  holder_ = 0;
  const std::uint32_t was = word_->exchange(0, std::memory_order_release);
  if ((was & kWaiters) != 0) {
    WakeOne(word_);
  }
  return true;
}

bool HoldMark(int fd, off_t slot) {
  return SetLock(fd, slot, F_WRLCK);
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
