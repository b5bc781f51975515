#include "platform/named_mutex.h"

#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <new>

#include "platform/posix/shared_lock.h"
#include "platform/posix/user_files.h"

namespace platform {

namespace {

using detail::SharedMap;
using detail::UniqueFd;

// The file "mutex.<name>" in the private directory: the lock word (shared_lock.h), then a magic
// word that the creator stores last.
struct MutexBlock {
  std::atomic<std::uint32_t> owner;
  std::atomic<std::uint32_t> magic;
};
constexpr std::uint32_t kMutexMagic = 0x564d5459;  // "VMTY"
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);

class PosixNamedMutex final : public NamedMutex {
 public:
  PosixNamedMutex(std::string path, UniqueFd fd, SharedMap map, bool creator)
      : path_(std::move(path)),
        fd_(std::move(fd)),
        map_(std::move(map)),
        lock_(&static_cast<MutexBlock*>(map_.Addr())->owner, fd_.Get()),
        creatorPid_(creator ? ::getpid() : 0) {}

  ~PosixNamedMutex() override {
    // A forked child inherits the object but not the name.
    if (creatorPid_ != 0 && creatorPid_ == ::getpid()) {
      detail::UnlinkIfSame(path_, fd_.Get());
    }
  }

  WaitResult Wait(std::chrono::milliseconds bound) override {
    const detail::LockResult result = lock_.Lock(bound);
    if (map_.Damaged()) {
      // The file was shrunk under us: the lock just taken was a private copy of the word.
      lock_.Unlock();
      return WaitResult::Failed;
    }
    switch (result) {
      case detail::LockResult::Locked:
        return WaitResult::Signalled;
      case detail::LockResult::Recovered:
        return WaitResult::Abandoned;
      case detail::LockResult::TimedOut:
        return WaitResult::TimedOut;
      case detail::LockResult::Failed:
        break;
    }
    return WaitResult::Failed;
  }

  bool Release() override { return lock_.Unlock(); }

 private:
  std::string path_;
  UniqueFd fd_;
  SharedMap map_;
  detail::SharedLock lock_;  // given back before map_ goes
  pid_t creatorPid_;
};

}  // namespace

std::unique_ptr<NamedMutex> NamedMutex::Create(const std::string& name) {
  std::string path = detail::UserObjectPath("mutex", name);
  UniqueFd fd = detail::CreateUserFile(path, sizeof(MutexBlock));
  if (!fd.Valid()) {
    return nullptr;
  }
  SharedMap map(fd.Get(), sizeof(MutexBlock));
  if (!map.Valid()) {
    ::unlink(path.c_str());
    return nullptr;
  }
  auto* block = new (map.Addr()) MutexBlock{};
  block->magic.store(kMutexMagic, std::memory_order_release);
  return std::make_unique<PosixNamedMutex>(std::move(path), std::move(fd), std::move(map), true);
}

std::unique_ptr<NamedMutex> NamedMutex::Open(const std::string& name) {
  std::string path = detail::UserObjectPath("mutex", name);
  UniqueFd fd = detail::OpenUserFile(path);
  if (!fd.Valid() || detail::ObjectSizeOf(fd.Get()) != static_cast<long long>(sizeof(MutexBlock))) {
    return nullptr;
  }
  SharedMap map(fd.Get(), sizeof(MutexBlock));
  if (!map.Valid() ||
      static_cast<MutexBlock*>(map.Addr())->magic.load(std::memory_order_acquire) != kMutexMagic) {
    return nullptr;
  }
  return std::make_unique<PosixNamedMutex>(std::move(path), std::move(fd), std::move(map), false);
}

}  // namespace platform
