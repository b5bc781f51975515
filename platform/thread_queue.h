#pragma once
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/thread_id.h"

namespace platform {

using WParam = std::uintptr_t;
using LParam = std::intptr_t;

struct ThreadMessage {
  std::uint32_t message = 0;
  WParam wParam = 0;
  LParam lParam = 0;
};

// Shared layout and wake-up protocol: platform/queue_ring.h and platform/doorbell.h.

// Posts a message to a thread of any process of the same user, by the thread's id alone.
// Never blocks. False when the thread has no queue or its queue is full; a post refused
// for fullness still leaves a wake-up pending for the receiver.
[[nodiscard]] bool PostThreadMessage(ThreadId thread, std::uint32_t message, WParam wParam,
                                     LParam lParam);

// The receiving side: the calling thread's message queue. It exists from Create() until the
// object is destroyed (or its thread ends); posts to the thread fail outside that time.
// All members are called on the owning thread only.
class ThreadMessageQueue {
 public:
  // Creates the queue of the calling thread; null (and errno set) on failure. Also removes what
  // queues of the user's processes that were killed left behind.
  static std::unique_ptr<ThreadMessageQueue> Create();
  virtual ~ThreadMessageQueue() = default;

  // Readable while a wake-up is pending; watch it with poll() or a QSocketNotifier.
  virtual int Descriptor() const = 0;
  // Consumes the pending wake-ups. Call before taking messages, so that a post made after
  // the last Take() leaves a fresh wake-up.
  virtual void ClearWakeups() = 0;
  // The next message, in each poster's order; nothing when the queue is empty. Never blocks.
  virtual std::optional<ThreadMessage> Take() = 0;
  // Leaves a wake-up pending when entries remained after the last Take, so that a receiver that
  // handles one message per loop turn comes back for the rest (a later post leaves its own).
  // After a burst that filled the queue it leaves one more, which finds the queue empty: posts
  // were refused meanwhile, and the receiver should look for what they would have announced.
  virtual void Wake() = 0;
  // Waits up to timeoutMs (negative: without limit) for a pending wake-up. False on time-out.
  virtual bool WaitForWakeup(int timeoutMs) = 0;
};

}  // namespace platform
