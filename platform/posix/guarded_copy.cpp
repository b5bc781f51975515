#include "platform/guarded_copy.h"

#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "platform/posix/mapping_guard.h"

namespace platform {

namespace {

// The copy this thread is inside, if any; a SIGBUS raised there jumps back to it.
thread_local sigjmp_buf* tGuard = nullptr;

// The guarded ranges. A slot is free while its start is 0; its size and damage mark are written
// before the start is published, so the handler never sees half a slot. Enough for every pipe
// of a full relay (two mappings per pipe) beside the queues and the message table.
constexpr int kGuardSlots = 4096;
struct GuardSlot {
  std::atomic<std::uintptr_t> start{0};
  std::atomic<std::size_t> size{0};
  std::atomic<bool> damaged{false};
};
GuardSlot gSlots[kGuardSlots];
std::atomic<int> gSlotsUsed{0};  // slots at and above it were never taken

static_assert(std::atomic<std::uintptr_t>::is_always_lock_free &&
              std::atomic<std::size_t>::is_always_lock_free);

// Puts zero pages in place of the guarded range that holds `addr`; false when none does.
bool Repair(std::uintptr_t addr) {
  const int used = gSlotsUsed.load(std::memory_order_acquire);
  for (int i = 0; i < used; ++i) {
    GuardSlot& slot = gSlots[i];
    const std::uintptr_t start = slot.start.load(std::memory_order_acquire);
    const std::size_t size = slot.size.load(std::memory_order_relaxed);
    if (start != 0 && addr >= start && addr - start < size) {
      slot.damaged.store(true, std::memory_order_relaxed);
      // The range is known only as the integer the handler compares addresses with.
      // NOLINTNEXTLINE(performance-no-int-to-ptr)
      return ::mmap(reinterpret_cast<void*>(start), size, PROT_READ | PROT_WRITE,
                    MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED;
    }
  }
  return false;
}

extern "C" void OnBusError(int signal, siginfo_t* info, void*) {
  if (sigjmp_buf* guard = tGuard) {
    tGuard = nullptr;
    siglongjmp(*guard, 1);
  }
  if (info != nullptr && Repair(reinterpret_cast<std::uintptr_t>(info->si_addr))) {
    return;  // the access is made again, against the zero pages
  }
  // Not ours: the default action, as if no handler were installed.
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void InstallHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    sigemptyset(&action.sa_mask);
    // Not blocked inside the handler: the jump leaves it without restoring the mask, which
    // keeps each guarded copy free of system calls.
    action.sa_flags = SA_NODEFER | SA_SIGINFO;
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

namespace detail {

bool MappingGuard::Guard(void* addr, std::size_t size) {
  Release();
  InstallHandler();
  for (int i = 0; i < kGuardSlots; ++i) {
    GuardSlot& slot = gSlots[i];
    if (slot.start.load(std::memory_order_relaxed) != 0) {
      continue;
    }
    slot.size.store(size, std::memory_order_relaxed);
    slot.damaged.store(false, std::memory_order_relaxed);
    slot.start.store(reinterpret_cast<std::uintptr_t>(addr), std::memory_order_release);
    if (i >= gSlotsUsed.load(std::memory_order_relaxed)) {
      gSlotsUsed.store(i + 1, std::memory_order_release);
    }
    slot_ = i;
    return true;
  }
  return false;
}

void MappingGuard::Release() {
  if (slot_ >= 0) {
    gSlots[slot_].start.store(0, std::memory_order_release);
    slot_ = -1;
  }
}

bool MappingGuard::Damaged() const {
  return slot_ >= 0 && gSlots[slot_].damaged.load(std::memory_order_relaxed);
}

}  // namespace detail

}  // namespace platform
