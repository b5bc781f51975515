#pragma once
// The host's side of a channel, in-process, for tests, the fuzz target and the benchmark: it
// creates the named objects of a read end and a write end as the host would, opens the
// program's CIpcPipe on each, and moves bytes through the rings directly (never posting).
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostlink/framing.h"
#include "hostlink/ipc_pipe.h"
#include "hostlink/object_names.h"
#include "hostlink/ring.h"
#include "platform/file_mapping.h"
#include "platform/named_mutex.h"

namespace testhost {

// One pipe as its creator (the host) holds it.
class HostRing {
 public:
  HostRing(std::int32_t index, std::int32_t ringSize) : index_(index), ringSize_(ringSize) {
    const std::size_t size = static_cast<std::size_t>(ringSize) + kRingHeaderSize;
    mutex_ = platform::NamedMutex::Create(PipeMutexName(index));
    mapping_ = platform::FileMapping::Create(PipeMappingName(index), size);
    view_ = mapping_ ? mapping_->MapView(size) : nullptr;
  }
  bool Ready() const { return mutex_ && view_; }
  std::int32_t Index() const { return index_; }
  // The shared view (header, then ring) and the lock, for tests that play the host by hand.
  std::uint8_t* View() const { return view_->Data(); }
  platform::NamedMutex& Mutex() { return *mutex_; }

  // Stores all n bytes, or nothing when they do not fit.
  bool Put(const void* bytes, std::int32_t n) {
    return Locked(false, [&](std::uint8_t* view, const RingHeader& header) {
      const bool fits = n <= RingFreeSpace(header, ringSize_);
      if (fits) {
        StoreWriteIndex(view, RingCopyIn(view, ringSize_, header.writeIndex, bytes, n));
      }
      return fits;
    });
  }
  bool Put(const std::vector<std::uint8_t>& bytes) {
    return Put(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  }

  // Takes every byte in the ring.
  std::vector<std::uint8_t> TakeAll() {
    std::vector<std::uint8_t> bytes;
    Locked(false, [&](std::uint8_t* view, const RingHeader& header) {
      bytes.resize(static_cast<std::size_t>(RingBytesInUse(header, ringSize_)));
      const auto n = static_cast<std::int32_t>(bytes.size());
      StoreReadIndex(view, RingCopyOut(view, ringSize_, header.readIndex, bytes.data(), n));
      return true;
    });
    return bytes;
  }

  // -1 when the ring cannot be locked.
  std::int32_t BytesInUse() {
    return Locked(-1,
                  [&](std::uint8_t*, const RingHeader& h) { return RingBytesInUse(h, ringSize_); });
  }

 private:
  // f(view, header) under the ring's lock; `failed` when it cannot be taken.
  template <typename T, typename F>
  T Locked(T failed, F f) {
    if (!Ready() || mutex_->Wait() == platform::WaitResult::Failed) {
      return failed;
    }
    const T result = f(view_->Data(), LoadRingHeader(view_->Data()));
    mutex_->Release();
    return result;
  }

  std::int32_t index_;
  std::int32_t ringSize_;
  std::unique_ptr<platform::NamedMutex> mutex_;
  std::unique_ptr<platform::FileMapping> mapping_;
  std::unique_ptr<platform::MappedView> view_;
};

// An odd index (the program's read end) unique to this process and call; the write end is
// the even index after it.
inline std::int32_t FreshReadIndex() {
  static std::atomic<int> counter{0};
  return static_cast<int>(getpid()) % 4000000 * 64 + 2 * (counter++ % 32) + 1;
}

// A read end and a write end, both with the host's side and the program's CIpcPipe.
struct HostLink {
  explicit HostLink(std::int32_t ringSize = 4096)
      : index(FreshReadIndex()), toProgram(index, ringSize), fromProgram(index + 1, ringSize) {
    opened = toProgram.Ready() && fromProgram.Ready() && readPipe.Open(index, ringSize) == 1 &&
             writePipe.Open(index + 1, ringSize) == 1;
  }

  std::int32_t index;
  HostRing toProgram;    // the host writes here; readPipe takes it out
  HostRing fromProgram;  // writePipe stores here; the host takes it out
  CIpcPipe readPipe;
  CIpcPipe writePipe;
  bool opened = false;
};

// The texts of the kind-2 messages in bytes, without their NULs; a malformed frame ends the
// list with "<bad frame>".
inline std::vector<std::string> DecodeCommands(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::string> texts;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const FrameHeader header = at + 4 <= bytes.size() ? LoadFrameHeader(&bytes[at]) : FrameHeader{};
    const std::size_t length = header.length;
    if (length == 0 || header.kind != kCommandKind || at + 4 + length > bytes.size() ||
        bytes[at + 4 + length - 1] != 0) {
      texts.push_back("<bad frame>");
      break;
    }
    texts.emplace_back(reinterpret_cast<const char*>(&bytes[at + 4]), length - 1);
    at += 4 + length;
  }
  return texts;
}

}  // namespace testhost
