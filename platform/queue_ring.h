#pragma once
#include <pthread.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

// The shared-memory half of a thread message queue: a ring of fixed-size entries under a
// robust process-shared mutex, in the named object "/vantor1.u<uid>.tq.<thread id>" that the
// receiving thread creates. Any process of the user maps it and appends; only the receiver
// takes. All multi-byte fields are native-endian (the processes share one machine).
//
// | offset | width         | field                                                          |
// |--------|---------------|----------------------------------------------------------------|
// | 0      | 4             | magic, stored last by the receiver once the rest is ready       |
// | 4      | 4             | capacity in entries (kQueueCapacity)                           |
// | 8      | 4             | closed: nonzero once the receiver has gone or been replaced     |
// | 12     | 4             | receiver's process id (diagnostics)                            |
// | 16     | 4             | head: entries taken so far (wraps)                             |
// | 20     | 4             | tail: entries posted so far (wraps)                            |
// | 24     | 4             | wakePending: a doorbell byte was sent since the last clearing   |
// | 28     | 4             | reserved, 0                                                    |
// | 32     | 40            | ring mutex (robust pthread): guards every field above but magic |
// | 72     | 40            | life mutex (robust pthread): held by the receiving thread for   |
// |        |               | the queue's whole life; the kernel marks it when the thread ends |
// | 112    | 16            | reserved                                                       |
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
// Wake-ups: a poster sends a doorbell byte only when wakePending is 0, and sets it; the
// receiver drains its doorbell and then clears wakePending before taking. The byte is sent
// while the ring mutex is held, so a poster that dies between setting the flag and sending is
// seen by the next locker (the mutex reports its owner died), which then sends anew.
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
  std::uint32_t reserved;
  pthread_mutex_t mutex;
  pthread_mutex_t life;
};
static_assert(sizeof(QueueHeader) == 128);

struct QueueBlock {
  QueueHeader header;
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

// Sets up a zero-filled block on the receiving thread, which then holds the life mutex until
// ReleaseQueue; the magic word goes in last.
bool InitQueue(QueueBlock* block, std::uint32_t receiverPid);
// True when the block was fully set up by a receiver of this layout.
bool IsQueueReady(const QueueBlock* block);
// Appends one entry and sees that a wake-up is pending, calling `wake` under the lock when
// none is. `wake` sends the doorbell byte.
template <typename Wake>
PushResult PushEntry(QueueBlock* block, const QueueEntry& entry, Wake&& wake);
// Takes the oldest entry under the lock; nothing when empty or the lock failed.
std::optional<QueueEntry> PopEntry(QueueBlock* block);
// Called by the receiver after draining its doorbell, before taking.
void ClearWakePending(QueueBlock* block);
// Marks the queue closed, so posters still holding it stop using it.
void CloseQueue(QueueBlock* block);
// On the receiving thread: closes the queue and gives up the life mutex. False when the
// calling thread did not hold it; the block must then stay mapped, as the holder's robust
// list still points into it.
bool ReleaseQueue(QueueBlock* block);

// Parts of PushEntry that need no template.
enum class PushStart { Go, Closed, Failed };
PushStart BeginPush(QueueBlock* block);
// Takes the ring mutex; after a locker died holding it, clears wakePending (that locker may have
// set it without sending the byte).
bool LockRing(QueueBlock* block);
void UnlockRing(QueueBlock* block);

template <typename Wake>
PushResult PushEntry(QueueBlock* block, const QueueEntry& entry, Wake&& wake) {
  QueueHeader& h = block->header;
  if (!LockRing(block)) {
    return PushResult::Failed;
  }
  PushResult result = PushResult::Pushed;
  switch (BeginPush(block)) {
    case PushStart::Closed:
      result = PushResult::Closed;
      break;
    case PushStart::Failed:
      result = PushResult::Failed;
      break;
    case PushStart::Go: {
      const bool full = h.tail - h.head == kQueueCapacity;
      if (!full) {
        // Complete before tail covers it, so a poster that dies here publishes nothing.
        block->entries[h.tail % kQueueCapacity] = entry;
        h.tail = h.tail + 1;
      }
      WakeResult woke = h.wakePending != 0 ? WakeResult::Sent : wake();
      if (woke == WakeResult::Sent) {
        h.wakePending = 1;
        result = full ? PushResult::Full : PushResult::Pushed;
      } else {
        // Unwound while still locked: a post that reports failure leaves nothing behind.
        if (!full) {
          h.tail = h.tail - 1;
        }
        result = woke == WakeResult::NoReceiver ? PushResult::NoReceiver : PushResult::Failed;
      }
      break;
    }
  }
  UnlockRing(block);
  return result;
}

}  // namespace platform::detail
