#include "platform/guarded_copy.h"

#include <setjmp.h>
#include <signal.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

// The copy this thread is inside, if any; a SIGBUS raised there jumps back to it.
thread_local sigjmp_buf* tGuard = nullptr;

extern "C" void OnBusError(int signal) {
  if (sigjmp_buf* guard = tGuard) {
    tGuard = nullptr;
    siglongjmp(*guard, 1);
  }
  // Not ours: the default action, as if no handler were installed.
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void InstallHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_handler = OnBusError;
    sigemptyset(&action.sa_mask);
    // Not blocked inside the handler: the jump leaves it without restoring the mask, which
    // keeps each guarded copy free of system calls.
    action.sa_flags = SA_NODEFER;
    ::sigaction(SIGBUS, &action, nullptr);
  });
}

}  // namespace

bool CopyGuarded(void* dest, const void* src, std::size_t n) {
  if (n == 0) {
    return true;
  }
  InstallHandler();
  sigjmp_buf guard;
  if (sigsetjmp(guard, 0) != 0) {
    return false;
  }
  tGuard = &guard;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  std::memcpy(dest, src, n);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  tGuard = nullptr;
  return true;
}

}  // namespace platform
