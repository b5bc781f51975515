#include "hostside/host_pipe.h"

#include "hostlink/object_names.h"
#include "hostlink/ring.h"
#include "platform/named_objects.h"

#include <cerrno>
#include <cstring>

namespace hostside {

std::string ObjectsProblem(int error) {
  const std::string place = platform::ObjectPlaceProblem();
  return place.empty() ? std::strerror(error) : place;
}

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
    case PipeStatus::LockBusy:
      return "the pipe's mutex was kept by its other side";
    case PipeStatus::BadIndex:
      return "an index in the pipe's header lies outside the ring";
    case PipeStatus::ViewGone:
      return "the pipe's mapping was shrunk by another process";
  }
  return "?";
}

bool Broken(PipeStatus status) {
  return status == PipeStatus::LockFailed || status == PipeStatus::BadIndex ||
         status == PipeStatus::ViewGone;
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
    error = "cannot create the mutex " + PipeMutexName(index) + ": " + ObjectsProblem(errno);
    return nullptr;
  }
  const auto viewSize = static_cast<std::size_t>(ringSize) + kRingHeaderSize;
  pipe->mapping_ = platform::FileMapping::Create(PipeMappingName(index), viewSize);
  if (pipe->mapping_) {
    pipe->view_ = pipe->mapping_->MapView(viewSize);
  }
  if (!pipe->view_) {
    error = "cannot create the mapping " + PipeMappingName(index) + ": " + ObjectsProblem(errno);
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

PipeStatus HostPipe::Lock() {
  switch (mutex_->Wait(lockBound_)) {
    case platform::WaitResult::Signalled:
    case platform::WaitResult::Abandoned:
      return PipeStatus::Ok;
    case platform::WaitResult::TimedOut:
      return PipeStatus::LockBusy;
    case platform::WaitResult::Failed:
      break;
  }
  return PipeStatus::LockFailed;
}

void HostPipe::Unlock() {
  mutex_->Release();
}

PipeStatus HostPipe::LoadHeader(RingHeader& header) const {
  // A fault while loading puts zero pages in place (platform/posix/mapping_guard.h): the words
  // read are then worthless, and the view says so.
  header = LoadRingHeader(View());
  if (view_->Damaged()) {
    return PipeStatus::ViewGone;
  }
  return RingIndexesValid(header, ringSize_) ? PipeStatus::Ok : PipeStatus::BadIndex;
}

PipeWrite HostPipe::Write(std::span<const std::uint8_t> bytes) {
  PipeWrite result;
  if (bytes.size() >= static_cast<std::size_t>(ringSize_)) {
    result.status = PipeStatus::TooLarge;
    return result;
  }
  const auto count = static_cast<std::int32_t>(bytes.size());
  result.status = Lock();
  if (result.status != PipeStatus::Ok) {
    return result;
  }
  RingHeader header;
  result.status = LoadHeader(header);
  if (result.status == PipeStatus::Ok && RingFreeSpace(header, ringSize_) < count) {
    result.status = PipeStatus::NoRoom;
  } else if (result.status == PipeStatus::Ok) {
    const std::int32_t end = RingCopyIn(View(), ringSize_, header.writeIndex, bytes.data(), count);
    if (end < 0) {
      result.status = PipeStatus::ViewGone;
    } else {
      ::StoreWriteIndex(View(), end);
    }
  }
  result.readerThreadId = header.readerThreadId;
  Unlock();
  return result;
}

PipeStatus HostPipe::ReadAll(std::vector<std::uint8_t>& out) {
  PipeStatus status = Lock();
  if (status != PipeStatus::Ok) {
    return status;
  }
  RingHeader header;
  status = LoadHeader(header);
  if (status == PipeStatus::Ok) {
    if (const std::int32_t n = RingBytesInUse(header, ringSize_); n > 0) {
      const std::size_t old = out.size();
      out.resize(old + static_cast<std::size_t>(n));
      const std::int32_t end =
          RingCopyOut(View(), ringSize_, header.readIndex, out.data() + old, n);
      if (end < 0) {
        out.resize(old);
        status = PipeStatus::ViewGone;
      } else {
        ::StoreReadIndex(View(), end);
      }
    }
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
  if (Lock() != PipeStatus::Ok) {
    return -1;
  }
  RingHeader header;
  const std::int32_t n =
      LoadHeader(header) == PipeStatus::Ok ? RingBytesInUse(header, ringSize_) : -1;
  Unlock();
  return n;
}

}  // namespace hostside
