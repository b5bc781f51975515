#include "hostside/host_pipe.h"

#include "hostlink/object_names.h"
#include "hostlink/ring.h"

namespace hostside {

const char* Describe(PipeStatus status) {
  switch (status) {
    case PipeStatus::Ok:
      return "ok";
    case PipeStatus::TooLarge:
      return "message larger than the ring";
    case PipeStatus::NoRoom:
      return "no room in the ring";
    case PipeStatus::LockFailed:
      return "the pipe's mutex could not be taken";
    case PipeStatus::BadIndex:
      return "an index in the pipe's header lies outside the ring";
  }
  return "?";
}

std::unique_ptr<HostPipe> HostPipe::Create(std::int32_t index, std::int32_t ringSize,
                                           std::string& error) {
  // A ring of one byte can hold nothing (one byte always stays free).
  if (ringSize < 2 || ringSize > INT32_MAX - kRingHeaderSize) {
    error = "ring size " + std::to_string(ringSize) + " out of range";
    return nullptr;
  }
  std::unique_ptr<HostPipe> pipe(new HostPipe());
  pipe->index_ = index;
  pipe->ringSize_ = ringSize;
  pipe->mutex_ = platform::NamedMutex::Create(PipeMutexName(index));
  if (!pipe->mutex_) {
    error = "cannot create the mutex " + PipeMutexName(index);
    return nullptr;
  }
  const auto viewSize = static_cast<std::size_t>(ringSize) + kRingHeaderSize;
  pipe->mapping_ = platform::FileMapping::Create(PipeMappingName(index), viewSize);
  if (pipe->mapping_) {
    pipe->view_ = pipe->mapping_->MapView(viewSize);
  }
  if (!pipe->view_) {
    error = "cannot create the mapping " + PipeMappingName(index);
    return nullptr;
  }
  return pipe;
}

std::unique_ptr<HostPipe> HostPipe::CreateNext(PipeEnd end, std::int32_t ringSize,
                                               std::string& error) {
  const std::optional<std::int32_t> index = ProcessPipeIndexes().Next(end);
  if (!index) {
    error = "no pipe index left";
    return nullptr;
  }
  return Create(*index, ringSize, error);
}

void HostPipe::StoreReaderThreadId(std::uint32_t threadId) {
  ::StoreReaderThreadId(View(), threadId);
}

std::uint32_t HostPipe::LoadReaderThreadId() const {
  return LoadLe32(View() + kReaderThreadIdOffset);
}

bool HostPipe::Lock() {
  return mutex_->Wait() != platform::WaitResult::Failed;
}

void HostPipe::Unlock() {
  mutex_->Release();
}

PipeWrite HostPipe::Write(std::span<const std::uint8_t> bytes) {
  PipeWrite result;
  if (bytes.size() >= static_cast<std::size_t>(ringSize_)) {
    result.status = PipeStatus::TooLarge;
    return result;
  }
  const auto count = static_cast<std::int32_t>(bytes.size());
  if (!Lock()) {
    result.status = PipeStatus::LockFailed;
    return result;
  }
  const RingHeader header = LoadRingHeader(View());
  if (!RingIndexesValid(header, ringSize_)) {
    result.status = PipeStatus::BadIndex;
  } else if (RingFreeSpace(header, ringSize_) < count) {
    result.status = PipeStatus::NoRoom;
  } else {
    ::StoreWriteIndex(View(),
                      RingCopyIn(View(), ringSize_, header.writeIndex, bytes.data(), count));
  }
  result.readerThreadId = header.readerThreadId;
  Unlock();
  return result;
}

PipeStatus HostPipe::ReadAll(std::vector<std::uint8_t>& out) {
  if (!Lock()) {
    return PipeStatus::LockFailed;
  }
  const RingHeader header = LoadRingHeader(View());
  PipeStatus status = PipeStatus::Ok;
  if (!RingIndexesValid(header, ringSize_)) {
    status = PipeStatus::BadIndex;
  } else if (const std::int32_t n = RingBytesInUse(header, ringSize_); n > 0) {
    const std::size_t old = out.size();
    out.resize(old + static_cast<std::size_t>(n));
    ::StoreReadIndex(View(), RingCopyOut(View(), ringSize_, header.readIndex, out.data() + old, n));
  }
  Unlock();
  return status;
}

std::vector<std::uint8_t> HostPipe::TakeAll() {
  std::vector<std::uint8_t> bytes;
  ReadAll(bytes);
  return bytes;
}

std::int32_t HostPipe::BytesWaiting() {
  if (!Lock()) {
    return -1;
  }
  const RingHeader header = LoadRingHeader(View());
  const std::int32_t n =
      RingIndexesValid(header, ringSize_) ? RingBytesInUse(header, ringSize_) : -1;
  Unlock();
  return n;
}

}  // namespace hostside
