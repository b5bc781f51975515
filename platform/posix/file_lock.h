#pragma once
#include <sys/types.h>

#include <atomic>
#include <cstdint>

// A lock between processes that keeps no pointer in shared memory, so that whoever can write the
// shared bytes can at worst make a lock look abandoned, never steer our memory. It is an
// open-file-description lock on one byte of the object's file, which the kernel drops when the
// holding process ends, plus an owner word in the object that the holder sets while it holds the
// lock: a locker that finds the word set knows that the previous holder ended holding it.
//
// The lock belongs to this object's own open of the file. Two objects conflict, in one process
// or two; one object does not conflict with itself, so it counts nested locks. A forked child
// reopens the file before its first lock, so parent and child never share one.
namespace platform::detail {

enum class LockResult { Locked, Recovered, Failed };

class FileLock {
 public:
  // `fd` stays owned by the caller and open while this lock is used; `slot` is the byte locked;
  // `owner` is the owner word, in the shared mapping.
  FileLock(int fd, off_t slot, std::atomic<std::uint32_t>* owner);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Waits without time limit. Recovered: the previous holder ended holding it; the caller holds
  // it now, and whatever it guards may be half-updated.
  LockResult Lock();
  // False when not held.
  bool Unlock();
  bool Held() const { return depth_ > 0; }

 private:
  int Fd();

  int fd_;          // the descriptor locks go through: the caller's, or a forked child's own
  int ownFd_ = -1;  // the forked child's own open of the file, closed with this lock
  pid_t pid_;
  off_t slot_;
  std::atomic<std::uint32_t>* owner_;
  int depth_ = 0;
};

// Locks for a scope; check Held() before touching what it guards.
class ScopedLock {
 public:
  explicit ScopedLock(FileLock& lock) : lock_(lock), result_(lock.Lock()) {}
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
  FileLock& lock_;
  LockResult result_;
};

// Holds a byte of an open file for as long as the file stays open in this process; a probe
// through another open of the file tells whether some process holds it. The liveness mark of an
// object's owner.
bool HoldMark(int fd, off_t slot);
bool IsMarkHeld(int fd, off_t slot);

}  // namespace platform::detail
