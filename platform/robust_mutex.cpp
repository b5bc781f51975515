#include "platform/robust_mutex.h"

#include <cerrno>

namespace platform::detail {

bool InitRobustMutex(pthread_mutex_t* mutex, bool recursive) {
  pthread_mutexattr_t attr;
  if (pthread_mutexattr_init(&attr) != 0) {
    return false;
  }
  bool ok = pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED) == 0 &&
            pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST) == 0 &&
            pthread_mutexattr_settype(
                &attr, recursive ? PTHREAD_MUTEX_RECURSIVE : PTHREAD_MUTEX_ERRORCHECK) == 0 &&
            pthread_mutex_init(mutex, &attr) == 0;
  pthread_mutexattr_destroy(&attr);
  return ok;
}

LockResult LockRobust(pthread_mutex_t* mutex) {
  int rc = pthread_mutex_lock(mutex);
  if (rc == 0) {
    return LockResult::Locked;
  }
  if (rc == EOWNERDEAD) {
    if (pthread_mutex_consistent(mutex) == 0) {
      return LockResult::Recovered;
    }
    pthread_mutex_unlock(mutex);
  }
  return LockResult::Failed;
}

bool UnlockRobust(pthread_mutex_t* mutex) {
  return pthread_mutex_unlock(mutex) == 0;
}

}  // namespace platform::detail
