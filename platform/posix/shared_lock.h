#pragma once
#include <sys/types.h>

#include <atomic>
#include <cstdint>

// A lock between processes that keeps no pointer in shared memory, so that whoever can write the
// shared bytes can at worst make a lock look abandoned or held, never steer our memory. It is one
// 32-bit word: 0 when free, else the kernel id of the holding thread, with the top bit set while
// others wait (a futex). A waiter that finds the holder's thread gone takes the lock over and is
// told the holder was lost. An uncontended lock and unlock make no system call.
//
// One object holds the lock for one thread at a time and counts nested locks by that thread.
// A waiter sleeps without time limit while the holder lives; it looks at the holder's liveness
// only after a sleep ran out (sleeps double from 1 ms to 1 s), since a thread's end wakes nobody
// and a live holder's unlock does.
namespace platform::detail {

enum class LockResult { Locked, Recovered, Failed };

class SharedLock {
 public:
  // `word` lies in the shared mapping and outlives this object.
  explicit SharedLock(std::atomic<std::uint32_t>* word) : word_(word) {}
  ~SharedLock();
  SharedLock(const SharedLock&) = delete;
  SharedLock& operator=(const SharedLock&) = delete;

  // Waits without time limit. Recovered: the previous holder ended holding it; the caller holds
  // it now, and whatever it guards may be half-updated.
  LockResult Lock();
  // False when the calling thread does not hold it.
  bool Unlock();
  bool Held() const;

 private:
  std::atomic<std::uint32_t>* word_;
  std::uint32_t holder_ = 0;  // the thread that holds it through this object
  int depth_ = 0;
};

// Locks for a scope; check Held() before touching what it guards.
class ScopedLock {
 public:
  explicit ScopedLock(SharedLock& lock) : lock_(lock), result_(lock.Lock()) {}
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;
  ~ScopedLock() {
    if (Held()) {
      lock_.Unlock();
    }
  }
  bool Held() const { return result_ != LockResult::Failed; }
  bool Recovered() const { return result_ == LockResult::Recovered; }

 private:
  SharedLock& lock_;
  LockResult result_;
};

// The calling thread's kernel id, cached per thread (and renewed in a forked child).
std::uint32_t CallingThread();
// True when no thread or process with this id exists any more.
bool ThreadGone(std::uint32_t id);

// Holds a byte of an open file for as long as the file stays open in this process (an
// open-file-description lock, dropped by the kernel when the process ends); a probe through
// another open of the file tells whether some process holds it. The liveness mark of an object's
// owning process.
bool HoldMark(int fd, off_t slot);
bool IsMarkHeld(int fd, off_t slot);

}  // namespace platform::detail
