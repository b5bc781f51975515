#include "hostlink/ipc_pipe.h"

#include <cassert>
#include <cstring>
#include <limits>

#include "hostlink/host_session.h"
#include "hostlink/object_names.h"
#include "hostlink/ring.h"
#include "platform/guarded_copy.h"
#include "platform/last_error.h"
#include "platform/thread_id.h"
#include "platform/thread_queue.h"

static_assert(CIpcPipe::kHeaderSize == kRingHeaderSize);

CIpcPipe::~CIpcPipe() = default;

int CIpcPipe::Open(std::int32_t index, std::int32_t size) {
  if (size <= 0 || size > std::numeric_limits<std::int32_t>::max() - kHeaderSize) {
    return 0;
  }
  // Everything is opened into locals first, so that a failing step leaves the object as it was.
  auto mutex = objects_.OpenMutex(PipeMutexName(index));
  if (!mutex) {
    return 0;
  }
  auto mapping = objects_.OpenMapping(PipeMappingName(index));
  if (!mapping) {
    return 0;
  }
  const auto viewSize = static_cast<std::size_t>(size) + kHeaderSize;
  if (viewSize > mapping->ObjectSize()) {
    return 0;
  }
  auto view = mapping->MapView(viewSize);
  if (!view) {
    return 0;
  }
  if (index % 2 != 0) {
    // Written once, without the lock; the host reads it under the lock before each post.
    std::uint8_t id[4];
    StoreLe32(id, platform::CurrentThreadId());
    if (!platform::CopyGuarded(view->Data() + kReaderThreadIdOffset, id, sizeof id)) {
      return 0;
    }
  }
  view_ = std::move(view);
  mappingHandle = std::move(mapping);
  mutexHandle = std::move(mutex);
  pipeIndex = index;
  ringData = view_->Data() + kHeaderSize;
  ringSize = size;
  return 1;
}

bool CIpcPipe::Lock() {
  switch (mutexHandle->Wait()) {
    case platform::WaitResult::Signalled:
      return true;
    case platform::WaitResult::Abandoned:
      // The wait made us the owner. Give it back, or the host blocks for good at its next wait.
      mutexHandle->Release();
      platform::SetLastError(kErrAbandoned);
      return false;
    case platform::WaitResult::TimedOut:
      platform::SetLastError(kErrLockTimeout);
      return false;
    case platform::WaitResult::Failed:
      break;
  }
  platform::SetLastError(kErrLockFailed);
  return false;
}

void CIpcPipe::FailLocked(std::uint32_t code) {
  mutexHandle->Release();
  platform::SetLastError(code);
}

bool CIpcPipe::LoadHeaderLocked(RingHeader& header) {
  std::uint8_t bytes[kHeaderSize];
  if (!platform::CopyGuarded(bytes, View(), sizeof bytes)) {
    FailLocked(kErrViewGone);
    return false;
  }
  header = LoadRingHeader(bytes);
  if (!RingIndexesValid(header, ringSize)) {
    FailLocked(kErrBadIndex);
    return false;
  }
  return true;
}

bool CIpcPipe::StoreIndex(std::size_t offset, std::int32_t index) {
  std::uint8_t bytes[4];
  StoreLe32(bytes, static_cast<std::uint32_t>(index));
  return index >= 0 && platform::CopyGuarded(View() + offset, bytes, sizeof bytes);
}

std::int32_t CIpcPipe::Read(void* buffer, std::int32_t limit) {
  if (!IsOpen()) {
    platform::SetLastError(kErrNotOpen);
    return -1;
  }
  RingHeader header;
  if (!Lock() || !LoadHeaderLocked(header)) {
    return -1;
  }
  const std::int32_t available = RingBytesInUse(header, ringSize);
  if (available == 0) {
    mutexHandle->Release();
    return 0;
  }
  std::int32_t n = limit;
  if (limit == -1 || limit > available) {
    n = available;
  } else if (limit < -1) {
    n = 0;
  }
  if (!StoreIndex(kReadIndexOffset, RingCopyOut(View(), ringSize, header.readIndex, buffer, n))) {
    FailLocked(kErrViewGone);
    return -1;
  }
  mutexHandle->Release();
  return n;
}

std::int32_t CIpcPipe::BytesWaiting() {
  RingHeader header;
  if (!IsOpen() || !Lock() || !LoadHeaderLocked(header)) {
    return -1;
  }
  mutexHandle->Release();
  return RingBytesInUse(header, ringSize);
}

int CIpcPipe::Write(const void* bytes, std::int32_t count) {
  if (!IsOpen()) {
    platform::SetLastError(kErrNotOpen);
    return 0;
  }
  if (count == 0) {
    return 1;
  }
  assert(bytes != nullptr && "Write needs bytes unless count is 0");
  if (count < 0) {
    // Bounded by the ring: a longer string can never fit, whatever its length.
    const std::size_t length =
        strnlen(static_cast<const char*>(bytes), static_cast<std::size_t>(ringSize));
    count = static_cast<std::int32_t>(length);
  }
  if (count >= ringSize) {
    platform::SetLastError(kErrTooLarge);
    return 0;
  }
  RingHeader header;
  if (!Lock() || !LoadHeaderLocked(header)) {
    return 0;
  }
  if (count > RingFreeSpace(header, ringSize)) {
    FailLocked(kErrNoRoom);
    return 0;
  }
  if (!StoreIndex(kWriteIndexOffset,
                  RingCopyIn(View(), ringSize, header.writeIndex, bytes, count))) {
    FailLocked(kErrViewGone);
    return 0;
  }
  // The consumer's id is read under the lock; the post waits until the lock is given back, so
  // the woken consumer never blocks on it.
  const platform::ThreadId consumer = header.readerThreadId;
  mutexHandle->Release();
  const bool posted = platform::PostThreadMessage(
      consumer, IpcDataReadyMessage(),
      static_cast<platform::WParam>(static_cast<std::intptr_t>(pipeIndex)),
      static_cast<platform::LParam>(count));
  return posted ? 1 : 0;
}
