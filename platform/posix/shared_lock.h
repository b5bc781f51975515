#pragma once
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>

// A lock between processes that keeps no pointer in shared memory, so that whoever can write the
// shared bytes can at worst make a lock look abandoned or held, never steer our memory. It is one
// 32-bit word: 0 when free, else the kernel id of the holding thread, with the top bit set while
// others wait (a futex). A waiter that finds the holder's thread gone takes the lock over and is
// told the holder was lost. An uncontended lock and unlock make no system call.
//
// One object holds the lock for one thread at a time and counts nested locks by that thread.
// A waiter looks at the holder only after a sleep ran out (sleeps double from 1 ms), since a
// thread's end wakes nobody and a live holder's unlock does. The holder counts as lost when its
// thread is gone or a zombie, or, for a lock in a file, when its process does not map that file:
// a reused id, or an id that a peer wrote, names a thread that never took the lock. A holder that
// lives and maps the file but does not let go (stopped, or hostile) is waited for at most the
// bound; after such a time-out the object only tries, without waiting, until it takes the lock
// again, so that one stuck lock costs one bound and not one per operation. A termination signal
// (termination_signals.h) ends every wait at once.
namespace platform::detail {

enum class LockResult { Locked, Recovered, TimedOut, Failed };

// How long a wait for a live holder lasts unless told otherwise.
inline constexpr std::chrono::milliseconds kLockBound{1000};

// Makes every lock wait give up at once, until ResumeLockWaits (async-signal-safe).
void InterruptLockWaits();
void ResumeLockWaits();

class SharedLock {
 public:
  // `word` lies in the shared mapping and outlives this object. `file`, when given, is the open
  // file that the word lies in, which every holder has mapped.
  explicit SharedLock(std::atomic<std::uint32_t>* word, int file = -1);
  ~SharedLock();
  SharedLock(const SharedLock&) = delete;
  SharedLock& operator=(const SharedLock&) = delete;

  // Recovered: the previous holder ended holding it; the caller holds it now, and whatever it
  // guards may be half-updated. TimedOut: a live holder kept it for `bound` (or a termination
  // signal came); nothing is held.
  LockResult Lock(std::chrono::milliseconds bound = kLockBound);
  // False when the calling thread does not hold it.
  bool Unlock();
  bool Held() const;

 private:
  LockResult LockContended(std::uint32_t self, std::chrono::milliseconds bound);
  bool HolderLost(std::uint32_t holder) const;

  std::atomic<std::uint32_t>* word_;
  std::uint32_t holder_ = 0;  // the thread that holds it through this object
  int depth_ = 0;
  bool stuck_ = false;  // the last wait ran out: only try until the lock is taken again
  // The file of the word (0 and 0: none), as /proc/PID/maps names it.
  unsigned long long fileDevice_ = 0;
  unsigned long long fileInode_ = 0;
};

// Locks for a scope; check Held() before touching what it guards.
class ScopedLock {
 public:
  explicit ScopedLock(SharedLock& lock, std::chrono::milliseconds bound = kLockBound)
      : lock_(lock), result_(lock.Lock(bound)) {}
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;
  ~ScopedLock() {
    if (Held()) {
      lock_.Unlock();
    }
  }
  bool Held() const { return result_ == LockResult::Locked || result_ == LockResult::Recovered; }
  bool Recovered() const { return result_ == LockResult::Recovered; }

 private:
  SharedLock& lock_;
  LockResult result_;
};

// The calling thread's kernel id, cached per thread (and renewed in a forked child).
std::uint32_t CallingThread();
// True when no thread or process with this id exists any more.
bool ThreadGone(std::uint32_t id);
// True when the process of thread `id` has the file (device, inode) mapped, or when that
// cannot be read for a reason other than the thread's absence or another owner.
bool MapsFile(std::uint32_t id, unsigned long long device, unsigned long long inode);

// Holds a byte of an open file for as long as the file stays open in this process (an
// open-file-description lock, dropped by the kernel when the process ends); a probe through
// another open of the file tells whether some process holds it. The liveness mark of an object's
// owning process.
bool HoldMark(int fd, off_t slot);
bool IsMarkHeld(int fd, off_t slot);

}  // namespace platform::detail
