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

Result<std::unique_ptr<HostPipe>> HostPipe::Create(std::int32_t index, std::int32_t ringSize) {
  // A ring of one byte can hold nothing (one byte always stays free).
  if (ringSize < 2 || ringSize > INT32_MAX - kRingHeaderSize) {
    return Fail(ErrorCode::Invalid, "ring size " + std::to_string(ringSize) + " out of range");
  }
  std::unique_ptr<HostPipe> pipe(new HostPipe());
  pipe->index_ = index;
  pipe->ringSize_ = ringSize;
  pipe->mutex_ = platform::NamedMutex::Create(PipeMutexName(index));
  if (!pipe->mutex_) {
    return Fail(ErrorCode::System,
                "cannot create the mutex " + PipeMutexName(index) + ": " + ObjectsProblem(errno));
  }
  const auto viewSize = static_cast<std::size_t>(ringSize) + kRingHeaderSize;
  pipe->mapping_ = platform::FileMapping::Create(PipeMappingName(index), viewSize);
  if (pipe->mapping_) {
    pipe->view_ = pipe->mapping_->MapView(viewSize);
  }
  if (!pipe->view_) {
    return Fail(ErrorCode::System, "cannot create the mapping " + PipeMappingName(index) + ": " +
                                       ObjectsProblem(errno));
  }
  return pipe;
}

Result<std::unique_ptr<HostPipe>> HostPipe::CreateNext(PipeEnd end, std::int32_t ringSize) {
  const std::optional<std::int32_t> index = ProcessPipeIndexes().Next(end);
  if (!index) {
    return Fail(ErrorCode::System, "no pipe index left");
  }
  return Create(*index, ringSize);
}

void HostPipe::StoreReaderThreadId(std::uint32_t threadId) {
  ::StoreReaderThreadId(View(), threadId);
}

std::uint32_t HostPipe::LoadReaderThreadId() const {
  return LoadLe32(View() + kReaderThreadIdOffset);
}

ErrorCode HostPipe::Lock() {
  switch (mutex_->Wait(lockBound_)) {
    case platform::WaitResult::Signalled:
    case platform::WaitResult::Abandoned:
      return ErrorCode::Ok;
    case platform::WaitResult::TimedOut:
      return ErrorCode::LockBusy;
    case platform::WaitResult::Failed:
      break;
  }
  return ErrorCode::LockFailed;
}

void HostPipe::Unlock() {
  mutex_->Release();
}

ErrorCode HostPipe::LoadHeader(RingHeader& header) const {
  // A fault while loading puts zero pages in place (platform/posix/mapping_guard.h): the words
  // read are then worthless, and the view says so.
  header = LoadRingHeader(View());
  if (view_->Damaged()) {
    return ErrorCode::ViewGone;
  }
  return RingIndexesValid(header, ringSize_) ? ErrorCode::Ok : ErrorCode::BadIndex;
}

Result<std::uint32_t> HostPipe::Write(std::span<const std::uint8_t> bytes) {
  if (bytes.size() >= static_cast<std::size_t>(ringSize_)) {
    return Fail(ErrorCode::TooLarge);
  }
  const auto count = static_cast<std::int32_t>(bytes.size());
  ErrorCode status = Lock();
  if (status != ErrorCode::Ok) {
    return Fail(status);
  }
  RingHeader header;
  status = LoadHeader(header);
  if (status == ErrorCode::Ok && RingFreeSpace(header, ringSize_) < count) {
    status = ErrorCode::NoRoom;
  } else if (status == ErrorCode::Ok) {
    const std::int32_t end = RingCopyIn(View(), ringSize_, header.writeIndex, bytes.data(), count);
    if (end < 0) {
      status = ErrorCode::ViewGone;
    } else {
      ::StoreWriteIndex(View(), end);
    }
  }
  Unlock();
  if (status != ErrorCode::Ok) {
    return Fail(status);
  }
  return header.readerThreadId;
}

Result<void> HostPipe::ReadAll(std::vector<std::uint8_t>& out) {
  ErrorCode status = Lock();
  if (status != ErrorCode::Ok) {
    return Fail(status);
  }
  RingHeader header;
  status = LoadHeader(header);
  if (status == ErrorCode::Ok) {
    if (const std::int32_t n = RingBytesInUse(header, ringSize_); n > 0) {
      const std::size_t old = out.size();
      out.resize(old + static_cast<std::size_t>(n));
      const std::int32_t end =
          RingCopyOut(View(), ringSize_, header.readIndex, out.data() + old, n);
      if (end < 0) {
        out.resize(old);
        status = ErrorCode::ViewGone;
      } else {
        ::StoreReadIndex(View(), end);
      }
    }
  }
  Unlock();
  if (status != ErrorCode::Ok) {
    return Fail(status);
  }
  return {};
}

std::vector<std::uint8_t> HostPipe::TakeAll() {
  std::vector<std::uint8_t> bytes;
  (void)ReadAll(bytes);
  return bytes;
}

std::int32_t HostPipe::BytesWaiting() {
  if (Lock() != ErrorCode::Ok) {
    return -1;
  }
  RingHeader header;
  const std::int32_t n =
      LoadHeader(header) == ErrorCode::Ok ? RingBytesInUse(header, ringSize_) : -1;
  Unlock();
  return n;
}

}  // namespace hostside
