#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "hostlink/ring.h"
#include "platform/file_mapping.h"
#include "platform/named_mutex.h"
#include "platform/thread_queue.h"

// A pipe index no other test or test process uses: derived from the pid and a counter.
std::int32_t FreshPipeIndex(bool odd);

// Plays the host's side of one pipe inside the test process: creates its named mutex and
// mapping (object size ringSize + 12 unless given) and reads or sets the shared view directly.
class TestHostPipe {
 public:
  TestHostPipe(std::int32_t index, std::int32_t ringSize, std::size_t objectSize = 0);

  std::int32_t Index() const { return index_; }
  std::uint8_t* View() const { return view_->Data(); }
  std::uint8_t* Ring() const { return View() + kRingHeaderSize; }
  RingHeader Header() const { return LoadRingHeader(View()); }
  void SetIndexes(std::int32_t readIndex, std::int32_t writeIndex);
  platform::NamedMutex& Mutex() { return *mutex_; }
  // Takes every byte in the ring as the host's consumer would.
  std::vector<std::uint8_t> Drain();

 private:
  std::int32_t index_;
  std::int32_t ringSize_;
  std::unique_ptr<platform::NamedMutex> mutex_;
  std::unique_ptr<platform::FileMapping> mapping_;
  std::unique_ptr<platform::MappedView> view_;
};

// Every message waiting in the queue, in order.
std::vector<platform::ThreadMessage> TakeAll(platform::ThreadMessageQueue& queue);

// Runs body in a forked child, which is killed when it has not ended after timeoutMs; the
// child's exit status, or -1 when it was killed.
int RunInChild(int timeoutMs, int (*body)(platform::NamedMutex&), platform::NamedMutex& mutex);
