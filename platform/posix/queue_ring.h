#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/posix/shared_lock.h"

// The shared-memory half of a thread message queue: a ring of fixed-size entries under a lock
// word (shared_lock.h), in the file "tq.<thread id>" of the private directory that
// the receiving thread creates. The receiving process holds byte 1 of the file for the queue's
// life (HoldMark), so posters and the start-up sweep can tell a queue whose process has ended. Any
// process of the user maps it and appends; only the receiver takes. All multi-byte fields are
// native-endian (the processes share one machine).
//
// | offset | width         | field                                                          |
// |--------|---------------|----------------------------------------------------------------|
// | 0      | 4             | magic, stored last by the receiver once the rest is ready       |
// | 4      | 4             | capacity in entries (kQueueCapacity)                           |
// | 8      | 4             | closed: nonzero once the receiver has gone or been replaced     |
// | 12     | 4             | receiver's process id (diagnostics)                            |
// | 16     | 4             | head: entries taken so far (wraps)                             |
// | 20     | 4             | tail: entries posted so far (wraps)                            |
// | 24     | 4             | wakePending: 0, or the id of the thread that owes (or sent) the  |
// |        |               | doorbell byte since the last clearing                          |
// | 28     | 4             | ring lock word: guards every field above but magic             |
// | 32     | 96            | reserved                                                       |
// | 128    | 24 × capacity | entries, entry i of the ring at 128 + 24 × (i % capacity)       |
//
// Entry:
// | offset | width | field                             |
// |--------|-------|-----------------------------------|
// | 0      | 4     | message number                    |
// | 4      | 4     | poster's process id (diagnostics) |
// | 8      | 8     | wParam                            |
// | 16     | 8     | lParam (signed)                   |
//
// tail − head (mod 2^32) is the number of pending entries; a value above capacity means the
// object was damaged, and is never used to index memory.
//
// Wake-ups: a poster sends a doorbell byte only when wakePending is 0, and sets it to its own
// thread id under the lock; the receiver drains its doorbell and then clears wakePending before
// taking. The byte is sent after the lock is given back, so that the woken receiver never blocks
// on it. A poster that died holding the lock is seen by the next locker, which clears the flag;
// one that died between unlocking and sending is found by a later poster that sees the flag
// still set with many entries waiting and that thread gone, and sends anew.
namespace platform::detail {

inline constexpr std::uint32_t kQueueCapacity = 16384;
inline constexpr std::uint32_t kQueueMagic = 0x56545132;  // "VTQ2"

struct QueueEntry {
  std::uint32_t message;
  std::uint32_t senderPid;
  std::uint64_t wParam;
  std::int64_t lParam;
};
static_assert(sizeof(QueueEntry) == 24);

struct alignas(64) QueueHeader {
  std::atomic<std::uint32_t> magic;
  std::uint32_t capacity;
  std::uint32_t closed;
  std::uint32_t receiverPid;
  std::uint32_t head;
  std::uint32_t tail;
  std::uint32_t wakePending;
  std::atomic<std::uint32_t> ringOwner;
};
static_assert(sizeof(QueueHeader) == 64);

inline constexpr off_t kLifeMarkSlot = 0;

struct QueueBlock {
  QueueHeader header;
  std::uint8_t reserved[64];
  QueueEntry entries[kQueueCapacity];
};

// How a doorbell send went, as the ring needs to know it.
enum class WakeResult { Sent, NoReceiver, Failed };

enum class PushResult {
  Pushed,      // stored, and a wake-up is pending
  Full,        // not stored; a wake-up is pending
  Closed,      // the receiver has gone (or its thread ended); nothing stored
  NoReceiver,  // the doorbell has nobody behind it; nothing stored
  Failed,      // lock or doorbell failure, or a damaged ring; nothing stored
};

// One process's access to a queue: the mapped block, its ring lock, this process's own open of
// the file that descriptor (for the life probe) and the receiving thread's id.
struct QueueAccess {
  QueueBlock* block;
  SharedLock* lock;
  int fd;
  std::uint32_t thread;
};

// Sets up a zero-filled block; the magic word goes in last.
void InitQueue(QueueBlock* block, std::uint32_t receiverPid);
// True when the block was fully set up by a receiver of this layout.
bool IsQueueReady(const QueueBlock* block);
// Appends one entry and sees that a wake-up is pending, calling `wake` after unlocking when none
// was. `wake` sends the doorbell byte.
template <typename Wake>
PushResult PushEntry(const QueueAccess& queue, const QueueEntry& entry, Wake&& wake);
// Takes the oldest entry under the lock; nothing when empty or the lock failed. `more` tells
// whether entries remain; `wasFull` is set when the queue was full, so posts may have been
// refused (and it is left alone otherwise).
std::optional<QueueEntry> PopEntry(const QueueAccess& queue, bool* more = nullptr,
                                   bool* wasFull = nullptr);
// Called by the receiver after draining its doorbell, before taking. True when entries remain.
bool ClearWakePending(const QueueAccess& queue);
// Marks the queue closed, so posters still holding it stop using it.
void CloseQueue(const QueueAccess& queue);

// Parts of PushEntry that need no template.
enum class PushStart { Go, Closed, Failed };
PushStart BeginPush(const QueueAccess& queue);
// The ring lock for a scope. A holder that died holding it may have claimed a wake-up without
// sending it, so that claim is cleared. Holders keep it for a few instructions, and a post must
// never hold up its poster (a relay serving other sessions), so the wait is short.
inline constexpr std::chrono::milliseconds kRingLockBound{10};
struct RingLock : ScopedLock {
  explicit RingLock(const QueueAccess& queue) : ScopedLock(*queue.lock, kRingLockBound) {
    if (Recovered()) {
      queue.block->header.wakePending = 0;
    }
  }
};
// Under the lock: whether this post must send the doorbell byte, claiming it if so.
bool ClaimWake(QueueHeader& h);
// After a failed send: lets the next poster send, and takes back the entry stored at `slot`
// when nothing came after it and it was not taken yet.
void UnwindPush(const QueueAccess& queue, bool stored, std::uint32_t slot);

template <typename Wake>
PushResult PushEntry(const QueueAccess& queue, const QueueEntry& entry, Wake&& wake) {
  QueueHeader& h = queue.block->header;
  bool stored = false;
  bool mustWake = false;
  std::uint32_t slot = 0;
  PushResult result = PushResult::Pushed;
  {
    const RingLock lock(queue);
    if (!lock.Held()) {
      return PushResult::Failed;
    }
    switch (BeginPush(queue)) {
      case PushStart::Closed:
        result = PushResult::Closed;
        break;
      case PushStart::Failed:
        result = PushResult::Failed;
        break;
      case PushStart::Go:
        stored = h.tail - h.head != kQueueCapacity;
        if (stored) {
          // Complete before tail covers it, so a poster that dies here publishes nothing.
          slot = h.tail;
          queue.block->entries[slot % kQueueCapacity] = entry;
          h.tail = slot + 1;
        }
        result = stored ? PushResult::Pushed : PushResult::Full;
        mustWake = ClaimWake(h);
        break;
    }
  }
  if (mustWake) {
    const WakeResult woke = wake();
    if (woke != WakeResult::Sent) {
      UnwindPush(queue, stored, slot);
      result = woke == WakeResult::NoReceiver ? PushResult::NoReceiver : PushResult::Failed;
    }
  }
  return result;
}

}  // namespace platform::detail
