#include "platform/posix/queue_ring.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace platform::detail {

namespace {

// Waiting entries past which a poster that sees a wake-up owed checks that its ower still lives.
constexpr std::uint32_t kOwedWakeCheckEvery = 256;

}  // namespace

void InitQueue(QueueBlock* block, std::uint32_t receiverPid) {
  QueueHeader& h = block->header;
  h.capacity = kQueueCapacity;
  h.closed = 0;
  h.receiverPid = receiverPid;
  h.head = 0;
  h.tail = 0;
  h.wakePending = 0;
  h.ringOwner.store(0);
  h.magic.store(kQueueMagic, std::memory_order_release);
}

bool IsQueueReady(const QueueBlock* block) {
  return block->header.magic.load(std::memory_order_acquire) == kQueueMagic &&
         block->header.capacity == kQueueCapacity;
}

bool ClaimWake(QueueHeader& h) {
  const std::uint32_t waiting = h.tail - h.head;
  if (h.wakePending != 0 && waiting % kOwedWakeCheckEvery == 0 && ThreadGone(h.wakePending)) {
    h.wakePending = 0;  // its poster died between unlocking and sending
  }
  if (h.wakePending != 0) {
    return false;
  }
  h.wakePending = CallingThread();
  return true;
}

void UnwindPush(const QueueAccess& queue, bool stored, std::uint32_t slot) {
  QueueHeader& h = queue.block->header;
  const RingLock lock(queue);
  if (!lock.Held()) {
    return;
  }
  h.wakePending = 0;
  if (stored && h.tail == slot + 1 && h.tail - h.head <= kQueueCapacity &&
      slot - h.head < kQueueCapacity) {
    h.tail = slot;  // nothing came after it and it was not taken: the failed post leaves nothing
  }
}

// Whether the receiving process still lives, as far as a post can tell without a system call
// most of the time: the end of the receiving thread alone closes the queue, and a doorbell rung
// for this post finds nobody once the process has ended. While a wake-up is owed no byte goes
// out, so its life mark is probed then.
static bool ReceiverAlive(const QueueAccess& queue) {
  return queue.block->header.wakePending == 0 || IsMarkHeld(queue.fd, kLifeMarkSlot);
}

PushStart BeginPush(const QueueAccess& queue) {
  QueueHeader& h = queue.block->header;
  if (h.closed != 0) {
    return PushStart::Closed;
  }
  if (!ReceiverAlive(queue)) {
    h.closed = 1;
    return PushStart::Closed;
  }
  if (h.tail - h.head > kQueueCapacity) {
    return PushStart::Failed;
  }
  return PushStart::Go;
}

std::optional<QueueEntry> PopEntry(const QueueAccess& queue, bool* more, bool* wasFull) {
  QueueHeader& h = queue.block->header;
  if (more != nullptr) {
    *more = false;
  }
  const RingLock lock(queue);
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
  if (pending == kQueueCapacity && wasFull != nullptr) {
    *wasFull = true;
  }
  QueueEntry entry = queue.block->entries[h.head % kQueueCapacity];
  h.head = h.head + 1;
  if (more != nullptr) {
    *more = h.tail != h.head;
  }
  return entry;
}

bool ClearWakePending(const QueueAccess& queue) {
  const RingLock lock(queue);
  queue.block->header.wakePending = 0;
  return lock.Held() && queue.block->header.tail != queue.block->header.head;
}

void CloseQueue(const QueueAccess& queue) {
  const RingLock lock(queue);
  // Even without the lock (it failed), closing is better than leaving posters in.
  queue.block->header.closed = 1;
}

}  // namespace platform::detail
