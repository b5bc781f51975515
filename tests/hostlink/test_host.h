#pragma once
// The host's side of a pipe inside the test process (hostside::HostPipe), plus direct access to
// the shared header.
#include <gtest/gtest.h>

#include "hostlink/ring.h"
#include "hostside/host_pipe.h"
#include "platform/thread_queue.h"

using hostside::HostPipe;
using hostside::PipeEnd;

// A pipe of this process's block; the test fails when it cannot be created.
inline std::unique_ptr<HostPipe> NewHostPipe(PipeEnd end, std::int32_t ringSize) {
  hostside::Result<std::unique_ptr<HostPipe>> pipe = HostPipe::CreateNext(end, ringSize);
  EXPECT_TRUE(pipe) << pipe.Message();
  return pipe ? std::move(pipe).Take() : nullptr;
}

// An index no pipe of this process has, or will get.
inline std::int32_t UnusedIndex(PipeEnd end) {
  return *hostside::ProcessPipeIndexes().Next(end);
}

inline RingHeader Header(const HostPipe& host) {
  return LoadRingHeader(host.View());
}
inline void SetIndexes(const HostPipe& host, std::int32_t readIndex, std::int32_t writeIndex) {
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
