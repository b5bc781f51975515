#pragma once
// The receiving loop that the round-trip benchmarks of both systems share.
#include "platform/thread_queue.h"

namespace bench {

// Waits for the next message on `queue`; false when none came within 5 s.
inline bool Receive(platform::ThreadMessageQueue& queue, platform::ThreadMessage* out) {
  for (;;) {
    if (auto message = queue.Take()) {
      *out = *message;
      return true;
    }
    if (!queue.WaitForWakeup(5000)) {
      return false;
    }
    queue.ClearWakeups();
  }
}

}  // namespace bench
