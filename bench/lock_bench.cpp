// The cost of one uncontended lock + unlock of the lock that guards peer-writable objects, beside
// the robust process-shared pthread mutex it replaced (which keeps list pointers in the shared
// bytes), measured in the same run: FileLockPair vs RobustMutexPair.
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>

#include "platform/posix/file_lock.h"

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

void FileLockPair(benchmark::State& state) {
  const int fd = ::memfd_create("lock", MFD_CLOEXEC);
  (void)!::ftruncate(fd, 64);
  auto* owner = static_cast<std::atomic<std::uint32_t>*>(
      ::mmap(nullptr, 64, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
  {
    platform::detail::FileLock lock(fd, 0, owner);
    for (auto _ : state) {
      (void)lock.Lock();
      lock.Unlock();
    }
  }
  ::munmap(owner, 64);
  ::close(fd);
}
BENCHMARK(FileLockPair);

}  // namespace

BENCHMARK_MAIN();
