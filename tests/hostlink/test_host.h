#pragma once
// The host's side of a pipe inside the test process: testhost::HostRing, plus direct access to
// the shared header.
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "hostlink/ring.h"
#include "platform/thread_queue.h"
#include "tests/watcher/host_end.h"

using testhost::HostRing;

// A pipe index no other test or test process uses: derived from the pid and a counter.
inline std::int32_t FreshPipeIndex(bool odd) {
  static std::int32_t counter = 0;
  counter += 2;
  return static_cast<std::int32_t>(::getpid() % 2000000) * 1000 + counter % 1000 + (odd ? 1 : 0);
}

inline RingHeader Header(const HostRing& host) {
  return LoadRingHeader(host.View());
}
inline void SetIndexes(const HostRing& host, std::int32_t readIndex, std::int32_t writeIndex) {
  StoreReadIndex(host.View(), readIndex);
  StoreWriteIndex(host.View(), writeIndex);
}

// Every message waiting in the queue, in order.
inline std::vector<platform::ThreadMessage> TakeAll(platform::ThreadMessageQueue& queue) {
  std::vector<platform::ThreadMessage> messages;
  queue.ClearWakeups();
  while (auto message = queue.Take()) {
    messages.push_back(*message);
  }
  return messages;
}
