#include "platform/queue_ring.h"

#include <cerrno>

#include "platform/robust_mutex.h"

namespace platform::detail {

bool InitQueue(QueueBlock* block, std::uint32_t receiverPid) {
  QueueHeader& h = block->header;
  h.capacity = kQueueCapacity;
  h.closed = 0;
  h.receiverPid = receiverPid;
  h.head = 0;
  h.tail = 0;
  h.wakePending = 0;
  if (!InitRobustMutex(&h.mutex, /*recursive=*/false) ||
      !InitRobustMutex(&h.life, /*recursive=*/false) || LockRobust(&h.life) != LockResult::Locked) {
    return false;
  }
  h.magic.store(kQueueMagic, std::memory_order_release);
  return true;
}

bool IsQueueReady(const QueueBlock* block) {
  return block->header.magic.load(std::memory_order_acquire) == kQueueMagic &&
         block->header.capacity == kQueueCapacity;
}

bool LockRing(QueueBlock* block) {
  switch (LockRobust(&block->header.mutex)) {
    case LockResult::Locked:
      return true;
    case LockResult::Recovered:
      block->header.wakePending = 0;
      return true;
    case LockResult::Failed:
      break;
  }
  return false;
}

void UnlockRing(QueueBlock* block) {
  UnlockRobust(&block->header.mutex);
}

namespace {

// Holds the ring mutex for a scope.
class RingLock {
 public:
  explicit RingLock(QueueBlock* block) : block_(block), held_(LockRing(block)) {}
  RingLock(const RingLock&) = delete;
  RingLock& operator=(const RingLock&) = delete;
  ~RingLock() {
    if (held_) {
      UnlockRing(block_);
    }
  }
  bool Held() const { return held_; }

 private:
  QueueBlock* block_;
  bool held_;
};

}  // namespace

// Whether the receiving thread still lives, asked under the ring mutex so that only one poster
// at a time probes the life mutex. A try-lock that finds it held by a live thread costs no
// system call; one that finds its owner dead leaves it unrecoverable for good.
static bool ReceiverAlive(QueueHeader& h) {
  switch (pthread_mutex_trylock(&h.life)) {
    case EBUSY:
    case EDEADLK:  // the receiving thread posting to itself
      return true;
    case 0:
    case EOWNERDEAD:
      pthread_mutex_unlock(&h.life);
      return false;
    default:
      return false;
  }
}

PushStart BeginPush(QueueBlock* block) {
  QueueHeader& h = block->header;
  if (h.closed != 0) {
    return PushStart::Closed;
  }
  if (!ReceiverAlive(h)) {
    h.closed = 1;
    return PushStart::Closed;
  }
  if (h.tail - h.head > kQueueCapacity) {
    return PushStart::Failed;
  }
  return PushStart::Go;
}

std::optional<QueueEntry> PopEntry(QueueBlock* block) {
  QueueHeader& h = block->header;
  RingLock lock(block);
  if (!lock.Held()) {
    return std::nullopt;
  }
  const std::uint32_t pending = h.tail - h.head;
  if (pending == 0) {
    return std::nullopt;
  }
  if (pending > kQueueCapacity) {
    // Damaged by a writer of this user: drop what cannot be trusted rather than read astray.
    h.head = h.tail;
    return std::nullopt;
  }
  QueueEntry entry = block->entries[h.head % kQueueCapacity];
  h.head = h.head + 1;
  return entry;
}

void ClearWakePending(QueueBlock* block) {
  RingLock lock(block);
  block->header.wakePending = 0;
}

void CloseQueue(QueueBlock* block) {
  RingLock lock(block);
  // Even without the lock (it failed), closing is better than leaving posters in.
  block->header.closed = 1;
}

bool ReleaseQueue(QueueBlock* block) {
  CloseQueue(block);
  return UnlockRobust(&block->header.life);
}

}  // namespace platform::detail
