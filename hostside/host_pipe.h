#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "hostlink/ring.h"
#include "hostside/pipe_index.h"
#include "hostside/result.h"
#include "platform/file_mapping.h"
#include "platform/named_mutex.h"

namespace hostside {

// Why a named object could not be made, for the user: where they must live, its owner and
// mode and the fix when that is the cause, else the system's text for `error`.
std::string ObjectsProblem(int error);

// One pipe as the host holds it: the host creates the named mutex and mapping (so it owns the
// starting indexes, both 0) and keeps them until this object is destroyed, which removes the
// names. The ring layout and rules are those of hostlink/ring.h; every access to the indexes and
// the ring happens under the named mutex. Not thread-safe; one object per pipe and process.
class HostPipe {
 public:
  // Creates the objects of pipe `index` with a view of ringSize + 12 bytes, replacing stale
  // objects of the same name. Fails on a ringSize < 2 or when the system refuses.
  static Result<std::unique_ptr<HostPipe>> Create(std::int32_t index, std::int32_t ringSize);
  // The same at the next index of that direction in this process's private block
  // (ProcessPipeIndexes), for hosts that need no base of their own.
  static Result<std::unique_ptr<HostPipe>> CreateNext(PipeEnd end, std::int32_t ringSize);

  std::int32_t Index() const { return index_; }
  std::int32_t RingSize() const { return ringSize_; }
  // How long a lock wait lasts (platform/named_mutex.h); a host whose loop serves others waits
  // only briefly.
  void SetLockBound(std::chrono::milliseconds bound) { lockBound_ = bound; }

  // The consumer's thread id at offset 0. The host writes its own into even pipes before it
  // announces them; the program writes its own into odd pipes when it opens them.
  void StoreReaderThreadId(std::uint32_t threadId);
  std::uint32_t LoadReaderThreadId() const;

  // Producer side: stores all of `bytes` in one locked write, or nothing. The consumer's thread
  // id at offset 0, read under the lock, to be told.
  Result<std::uint32_t> Write(std::span<const std::uint8_t> bytes);
  // Consumer side: takes every byte in the ring and appends it to `out`.
  Result<void> ReadAll(std::vector<std::uint8_t>& out);
  // The same, returned; empty on a fault.
  std::vector<std::uint8_t> TakeAll();
  // The bytes in the ring that the consumer has not taken yet; -1 on a fault.
  std::int32_t BytesWaiting();

  // The first byte of the view (the header), and the lock, for tests that play the host by
  // hand: look at or damage the header, or die holding the lock.
  std::uint8_t* View() const { return view_->Data(); }
  platform::NamedMutex& Mutex() { return *mutex_; }

 private:
  HostPipe() = default;
  // Takes the mutex; an abandoned one is ours all the same (its last owner died), and the
  // index check that follows guards against what it may have left half done. Ok or the fault.
  ErrorCode Lock();
  void Unlock();
  // Under the lock: the header, or the fault that keeps it from being used.
  ErrorCode LoadHeader(RingHeader& header) const;

  std::int32_t index_ = 0;
  std::int32_t ringSize_ = 0;
  std::chrono::milliseconds lockBound_ = platform::kWaitBound;
  std::unique_ptr<platform::NamedMutex> mutex_;
  std::unique_ptr<platform::FileMapping> mapping_;
  std::unique_ptr<platform::MappedView> view_;
};

}  // namespace hostside
