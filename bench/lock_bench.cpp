// The cost of one uncontended lock + unlock of the lock that guards peer-writable objects, beside
// the robust process-shared pthread mutex it replaced (which keeps list pointers in the shared
// bytes), measured in the same run: SharedLockPair vs RobustMutexPair.
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>

#include "platform/posix/shared_lock.h"

namespace {

void RobustMutexPair(benchmark::State& state) {
  auto* mutex = static_cast<pthread_mutex_t*>(::mmap(
      nullptr, sizeof(pthread_mutex_t), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
  pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
  pthread_mutex_init(mutex, &attr);
  for (auto _ : state) {
    pthread_mutex_lock(mutex);
    pthread_mutex_unlock(mutex);
  }
  ::munmap(mutex, sizeof(pthread_mutex_t));
}
BENCHMARK(RobustMutexPair);

void SharedLockPair(benchmark::State& state) {
  auto* word = static_cast<std::atomic<std::uint32_t>*>(
      ::mmap(nullptr, sizeof(std::atomic<std::uint32_t>), PROT_READ | PROT_WRITE,
             MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  {
    platform::detail::SharedLock lock(word);
    for (auto _ : state) {
      (void)lock.Lock();
      lock.Unlock();
    }
  }
  ::munmap(word, sizeof(std::atomic<std::uint32_t>));
}
BENCHMARK(SharedLockPair);

}  // namespace

BENCHMARK_MAIN();
