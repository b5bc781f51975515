#pragma once
#include <cstdint>
#include <memory>

#include "hostlink/ring.h"
#include "platform/named_objects.h"

// One end of the host's channel: a named mutex, a named file mapping and the ring in its view.
// The objects are created by the host under the names of hostlink/object_names.h; the view
// (a 12-byte header, then ringSize bytes) and the rules both sides keep are in hostlink/ring.h.
//
// An odd index is a read end (host to program): Open writes the caller's thread id at offset 0.
// An even index is a write end: the host has written its own thread id there.
//
// Lifetime: empty (every operation fails, nothing is touched) until the first successful Open;
// then open until destroyed. A later successful Open replaces index, handles, view and size
// and lets go of the old ones; a failed Open leaves the object exactly as it was, so a bad
// announcement never costs an end that works.
//
// Not thread-safe: use each object from one thread. The named mutex orders it against the host.
class CIpcPipe {
 public:
  // Application-defined last-error codes.
  static constexpr std::uint32_t kErrAbandoned = 0x20000001;    // the host died holding the lock
  static constexpr std::uint32_t kErrNoRoom = 0x20000002;       // free space smaller than count
  static constexpr std::uint32_t kErrTooLarge = 0x20000003;     // count >= ringSize: never fits
  static constexpr std::uint32_t kErrBadIndex = 0x20000004;     // header index outside the ring
  static constexpr std::uint32_t kErrNotOpen = 0x20000005;      // the end was never opened
  static constexpr std::uint32_t kErrLockFailed = 0x20000006;   // the wait failed outright
  static constexpr std::uint32_t kErrViewGone = 0x20000007;     // the host shrank the mapping
  static constexpr std::uint32_t kErrLockTimeout = 0x20000008;  // a live holder kept the lock
  static constexpr int kHeaderSize = 12;

  // Opens its objects through `objects`: the system's, or a test's stand-ins.
  explicit CIpcPipe(platform::NamedObjects& objects = platform::SystemObjects())
      : objects_(objects) {}
  ~CIpcPipe();
  CIpcPipe(const CIpcPipe&) = delete;
  CIpcPipe& operator=(const CIpcPipe&) = delete;

  // 1 when the named mutex and mapping were opened and ringSize + 12 bytes mapped; else 0.
  // Fails without opening anything when size <= 0 or size + 12 exceeds INT32_MAX, and when
  // the mapping object is smaller than size + 12. Creates nothing, takes no lock, never
  // writes the indexes.
  int Open(std::int32_t index, std::int32_t size);
  // Bytes copied (0 when empty, no code), at most limit (-1: no limit; below -1 counts as 0);
  // -1 when the end is not open, the lock failed, was abandoned or kept by its holder past the
  // bound (platform/named_mutex.h), or the header's indexes lie outside the ring, or the host
  // shrank the mapping under us (kErrNotOpen, kErrLockFailed, kErrAbandoned, kErrLockTimeout,
  // kErrBadIndex, kErrViewGone). Never waits for data. On failure the ring is
  // not touched, nor the buffer except by a copy that the shrinking cut short.
  std::int32_t Read(void* buffer, std::int32_t limit);
  // 1 when count bytes were stored and the consumer signalled; else 0. count < 0: bytes is a
  // NUL-terminated string, stored without its NUL; count 0 stores and posts nothing (1).
  // Each call stores one whole message or nothing. Codes: kErrNotOpen, kErrTooLarge (before
  // any wait), kErrLockFailed, kErrAbandoned, kErrLockTimeout, kErrBadIndex, kErrNoRoom,
  // kErrViewGone. When only the
  // post fails the result is 0 but the bytes stay in the ring.
  int Write(const void* bytes, std::int32_t count);

  // The bytes waiting in the ring, taken under the lock; -1 when Read would fail.
  std::int32_t BytesWaiting();

  bool IsOpen() const { return ringData != nullptr; }
  std::int32_t PipeIndex() const { return pipeIndex; }
  std::int32_t RingSize() const { return ringSize; }

 private:
  // Takes the mutex; on failure sets the code and holds nothing.
  bool Lock();
  // Under the lock: the header, when the view still holds it and its indexes lie in the ring;
  // otherwise releases the lock, sets the code and returns false.
  bool LoadHeaderLocked(RingHeader& header);
  // Under the lock: stores an index word; false when the view's pages went away.
  bool StoreIndex(std::size_t offset, std::int32_t index);
  // Releases the lock and sets `code`.
  void FailLocked(std::uint32_t code);
  std::uint8_t* View() const { return ringData - kHeaderSize; }

  platform::NamedObjects& objects_;
  std::unique_ptr<platform::FileMapping> mappingHandle;
  std::unique_ptr<platform::NamedMutex> mutexHandle;
  std::int32_t pipeIndex = 0;
  std::uint8_t* ringData = nullptr;  // view + 12; null while empty
  std::int32_t ringSize = 0;
  std::unique_ptr<platform::MappedView> view_;
};

// The program's two ends; they live until the process ends. Constructed during static
// initialisation, after the message numbers of hostlink/host_session.h are registered.
extern CIpcPipe theReadPipe;
extern CIpcPipe theWritePipe;
