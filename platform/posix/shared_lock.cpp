#include "platform/posix/shared_lock.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
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

std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

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

void InterruptLockWaits() {
  gInterrupted.store(true, std::memory_order_relaxed);
}

void ResumeLockWaits() {
  gInterrupted.store(false, std::memory_order_relaxed);
}

SharedLock::SharedLock(std::atomic<std::uint32_t>* word, int file) : word_(word) {
  struct stat st {};
  if (file >= 0 && ::fstat(file, &st) == 0) {
    fileDevice_ = st.st_dev;
    fileInode_ = st.st_ino;
  }
}

namespace {

// One line of /proc/PID/maps: "start-end perms offset major:minor inode path".
bool LineMaps(const char* line, unsigned long long device, unsigned long long inode) {
  unsigned major = 0;
  unsigned minor = 0;
  unsigned long long lineInode = 0;
  return std::sscanf(line, "%*s %*s %*s %x:%x %llu", &major, &minor, &lineInode) == 3 &&
         lineInode == inode && ::makedev(major, minor) == device;
}

}  // namespace

bool MapsFile(std::uint32_t id, unsigned long long device, unsigned long long inode) {
  char path[32];
  std::snprintf(path, sizeof path, "/proc/%u/maps", id);
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    // Another user's process cannot have opened a file in our private directory.
    return errno != ENOENT && errno != EACCES && errno != EPERM;
  }
  char buffer[4096];
  std::size_t kept = 0;  // the start of a line cut by the last read
  bool found = false;
  for (;;) {
    const ssize_t n = ::read(fd, buffer + kept, sizeof buffer - 1 - kept);
    if (n <= 0) {
      break;
    }
    const std::size_t end = kept + static_cast<std::size_t>(n);
    buffer[end] = '\0';
    char* line = buffer;
    while (char* newline = std::strchr(line, '\n')) {
      *newline = '\0';
      found = found || LineMaps(line, device, inode);
      line = newline + 1;
    }
    kept = static_cast<std::size_t>(buffer + end - line);
    if (kept == sizeof buffer - 1) {
      kept = 0;  // no line is this long; the path of one was: drop it
    }
    std::memmove(buffer, line, kept);
  }
  ::close(fd);
  return found;
}

SharedLock::~SharedLock() {
  while (Unlock()) {
  }
}

bool SharedLock::Held() const {
  return depth_ > 0 && holder_ == CallingThread();
}

LockResult SharedLock::Lock(std::chrono::milliseconds bound) {
  const std::uint32_t self = CallingThread();
  if (Held()) {
    ++depth_;
    return LockResult::Locked;
  }
  if (depth_ > 0) {
    return LockResult::Failed;  // held through this object by another thread of ours
  }
  // Uncontended: one compare-and-swap, nothing else.
  std::uint32_t free = 0;
  if (word_->compare_exchange_strong(free, self, std::memory_order_acquire)) {
    holder_ = self;
    depth_ = 1;
    stuck_ = false;
    return LockResult::Locked;
  }
  return LockContended(self, bound);
}

LockResult SharedLock::LockContended(std::uint32_t self, std::chrono::milliseconds bound) {
  LockResult result = LockResult::Locked;
  long sleepNs = 1000000;
  bool slept = false;
  // A lock that was stuck, or is only tried, is looked at before giving up.
  bool probe = stuck_ || bound.count() <= 0;
  std::chrono::steady_clock::time_point deadline{};
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
    // A holder that lives gives the lock back and wakes us; the probe costs system calls, so
    // it waits until a sleep ran out.
    if (std::exchange(probe, false) && HolderLost(holder)) {
      // Taken over from a holder that ended; others may sleep, so the bit stays.
      if (word_->compare_exchange_strong(seen, self | kWaiters, std::memory_order_acquire)) {
        result = LockResult::Recovered;
        break;
      }
      continue;
    }
    const auto now = std::chrono::steady_clock::now();
    if (deadline == std::chrono::steady_clock::time_point{}) {
      deadline = now + (stuck_ ? std::chrono::milliseconds(0) : bound);
    }
    if (now >= deadline || gInterrupted.load(std::memory_order_relaxed)) {
      stuck_ = true;
      return LockResult::TimedOut;
    }
    if ((seen & kWaiters) == 0 &&
        !word_->compare_exchange_strong(seen, seen | kWaiters, std::memory_order_relaxed)) {
      continue;
    }
    const long left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now).count();
    probe = !Sleep(word_, seen | kWaiters, std::min(sleepNs, left));
    if (probe) {
      sleepNs = std::min(sleepNs * 2, 1000000000L);
    }
    slept = true;
  }
  holder_ = self;
  depth_ = 1;
  stuck_ = false;
  return result;
}

bool SharedLock::HolderLost(std::uint32_t holder) const {
  return ThreadGone(holder) ||
         ((fileDevice_ != 0 || fileInode_ != 0) && !MapsFile(holder, fileDevice_, fileInode_));
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
