#include "platform/named_mutex.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <new>

#include "platform/robust_mutex.h"
#include "platform/user_shm.h"

namespace platform {

namespace {

using detail::SharedMap;
using detail::UniqueFd;

// The shared object "/vantor1.u<uid>.mutex.<name>": a robust recursive pthread mutex, then a
// magic word that the creator stores last, so an opener never uses a half-made mutex.
struct MutexBlock {
  pthread_mutex_t mutex;
  std::atomic<std::uint32_t> magic;
};
constexpr std::uint32_t kMutexMagic = 0x564d5458;  // "VMTX"
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);

class PosixNamedMutex final : public NamedMutex {
 public:
  PosixNamedMutex(std::string posixName, UniqueFd fd, SharedMap map, bool creator)
      : posixName_(std::move(posixName)),
        fd_(std::move(fd)),
        map_(std::move(map)),
        creatorPid_(creator ? ::getpid() : 0) {}

  ~PosixNamedMutex() override {
    // Ownership this thread still holds is given back: the thread's robust list must not keep
    // pointing into memory about to be unmapped.
    while (detail::UnlockRobust(&Block()->mutex)) {
    }
    // A forked child inherits the object but not the name.
    if (creatorPid_ != 0 && creatorPid_ == ::getpid()) {
      detail::UnlinkIfSame(posixName_, fd_.Get());
    }
  }

  WaitResult Wait() override {
    switch (detail::LockRobust(&Block()->mutex)) {
      case detail::LockResult::Locked:
        return WaitResult::Signalled;
      case detail::LockResult::Recovered:
        return WaitResult::Abandoned;
      case detail::LockResult::Failed:
        break;
    }
    return WaitResult::Failed;
  }

  bool Release() override { return detail::UnlockRobust(&Block()->mutex); }

 private:
  MutexBlock* Block() const { return static_cast<MutexBlock*>(map_.Addr()); }

  std::string posixName_;
  UniqueFd fd_;
  SharedMap map_;
  pid_t creatorPid_;
};

}  // namespace

std::unique_ptr<NamedMutex> NamedMutex::Create(const std::string& name) {
  std::string posixName = detail::UserObjectName("mutex", name);
  UniqueFd fd = detail::CreateUserShm(posixName, sizeof(MutexBlock));
  if (!fd.Valid()) {
    return nullptr;
  }
  SharedMap map(fd.Get(), sizeof(MutexBlock));
  auto* block = map.Valid() ? new (map.Addr()) MutexBlock : nullptr;
  if (block == nullptr || !detail::InitRobustMutex(&block->mutex, /*recursive=*/true)) {
    ::shm_unlink(posixName.c_str());
    return nullptr;
  }
  block->magic.store(kMutexMagic, std::memory_order_release);
  return std::make_unique<PosixNamedMutex>(std::move(posixName), std::move(fd), std::move(map),
                                           true);
}

std::unique_ptr<NamedMutex> NamedMutex::Open(const std::string& name) {
  std::string posixName = detail::UserObjectName("mutex", name);
  UniqueFd fd = detail::OpenUserShm(posixName);
  if (!fd.Valid() || detail::ObjectSizeOf(fd.Get()) < static_cast<long long>(sizeof(MutexBlock))) {
    return nullptr;
  }
  SharedMap map(fd.Get(), sizeof(MutexBlock));
  if (!map.Valid() ||
      static_cast<MutexBlock*>(map.Addr())->magic.load(std::memory_order_acquire) != kMutexMagic) {
    return nullptr;
  }
  return std::make_unique<PosixNamedMutex>(std::move(posixName), std::move(fd), std::move(map),
                                           false);
}

}  // namespace platform
