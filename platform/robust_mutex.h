#pragma once
#include <pthread.h>

// Process-shared robust pthread mutexes that live in shared memory. When an owner dies holding
// one, the next locker is told so and the mutex is made consistent again at once; without
// that, glibc makes it unusable for good once it is unlocked.
namespace platform::detail {

enum class LockResult { Locked, Recovered, Failed };

// Initialises a mutex in memory shared between processes. `recursive` lets the owning thread
// lock it again (each lock needs its unlock). False on failure.
bool InitRobustMutex(pthread_mutex_t* mutex, bool recursive);

// Locks without time limit. Recovered: the previous owner died holding it; the caller owns it
// and whatever it guards may be half-updated.
LockResult LockRobust(pthread_mutex_t* mutex);

// Unlocks; false when the caller does not own it.
bool UnlockRobust(pthread_mutex_t* mutex);

// Locks for the scope; check Held() (or Recovered()) before touching guarded state.
class RobustLock {
 public:
  explicit RobustLock(pthread_mutex_t* mutex) : mutex_(mutex), result_(LockRobust(mutex)) {}
  RobustLock(const RobustLock&) = delete;
  RobustLock& operator=(const RobustLock&) = delete;
  ~RobustLock() {
    if (Held()) {
      UnlockRobust(mutex_);
    }
  }
  bool Held() const { return result_ != LockResult::Failed; }
  bool Recovered() const { return result_ == LockResult::Recovered; }

 private:
  pthread_mutex_t* mutex_;
  LockResult result_;
};

}  // namespace platform::detail
