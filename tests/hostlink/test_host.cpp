#include "tests/hostlink/test_host.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

std::int32_t FreshPipeIndex(bool odd) {
  static std::int32_t counter = 0;
  counter += 2;
  return static_cast<std::int32_t>(::getpid() % 2000000) * 1000 + counter % 1000 + (odd ? 1 : 0);
}

TestHostPipe::TestHostPipe(std::int32_t index, std::int32_t ringSize, std::size_t objectSize)
    : index_(index), ringSize_(ringSize) {
  const std::string suffix = std::to_string(index);
  const std::size_t size = objectSize != 0 ? objectSize : ringSize + kRingHeaderSize;
  mutex_ = platform::NamedMutex::Create("Corvane2.IPCMutex" + suffix);
  mapping_ = platform::FileMapping::Create("Corvane2.IPCFileMapping" + suffix, size);
  if (!mutex_ || !mapping_ || !(view_ = mapping_->MapView(size))) {
    throw std::runtime_error("cannot create the host's objects for pipe " + suffix);
  }
}

void TestHostPipe::SetIndexes(std::int32_t readIndex, std::int32_t writeIndex) {
  StoreReadIndex(View(), readIndex);
  StoreWriteIndex(View(), writeIndex);
}

std::vector<std::uint8_t> TestHostPipe::Drain() {
  EXPECT_EQ(mutex_->Wait(), platform::WaitResult::Signalled);
  const RingHeader header = Header();
  std::vector<std::uint8_t> bytes(RingBytesInUse(header, ringSize_));
  const std::int32_t n = static_cast<std::int32_t>(bytes.size());
  StoreReadIndex(View(), RingCopyOut(View(), ringSize_, header.readIndex, bytes.data(), n));
  mutex_->Release();
  return bytes;
}

std::vector<platform::ThreadMessage> TakeAll(platform::ThreadMessageQueue& queue) {
  std::vector<platform::ThreadMessage> messages;
  queue.ClearWakeups();
  while (auto message = queue.Take()) {
    messages.push_back(*message);
  }
  return messages;
}

int RunInChild(int timeoutMs, int (*body)(platform::NamedMutex&), platform::NamedMutex& mutex) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(static_cast<unsigned>((timeoutMs + 999) / 1000));  // a child that blocks dies
    ::_exit(body(mutex));
  }
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
