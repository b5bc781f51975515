#pragma once
#include <cstdint>
#include <memory>

#include "platform/file_mapping.h"
#include "platform/named_mutex.h"

// One end of the host's channel: a named mutex, a named file mapping and the ring in its view.
//
// Names: "Corvane2.IPCMutex<index>" and "Corvane2.IPCFileMapping<index>".
// View of one pipe, ringSize + 12 bytes, words 32-bit little-endian:
//   offset 0   readerThreadId  thread that consumes this ring; the producer posts
//                              "IPCDataReady" to it after each write
//   offset 4   readIndex       next byte to consume; moved by the consumer only
//   offset 8   writeIndex      next byte to produce; moved by the producer only
//   offset 12  ring            ringSize data bytes
// Ring rules: both indexes in 0 .. ringSize-1; empty when equal; at most ringSize-1 bytes held.
class CIpcPipe {
 public:
  // Application-defined last-error codes.
  static constexpr std::uint32_t kErrAbandoned = 0x20000001;
  static constexpr std::uint32_t kErrNoRoom = 0x20000002;
  static constexpr std::uint32_t kErrTooLarge = 0x20000003;
  static constexpr std::uint32_t kErrBadIndex = 0x20000004;  // header index outside the ring
  static constexpr int kHeaderSize = 12;

  CIpcPipe() = default;
  virtual ~CIpcPipe();
  CIpcPipe(const CIpcPipe&) = delete;
  CIpcPipe& operator=(const CIpcPipe&) = delete;

  // 1 when the named mutex and mapping were opened and ringSize + 12 bytes mapped; else 0.
  int Open(std::int32_t index, std::int32_t size);
  // Bytes copied (0 when empty), at most limit (-1: no limit); -1 when the lock failed.
  std::int32_t Read(void* buffer, std::int32_t limit);
  // 1 when count bytes were stored and the consumer signalled; else 0. count < 0: bytes is a
  // NUL-terminated string, stored without its NUL.
  int Write(const void* bytes, std::int32_t count);

  bool IsOpen() const { return ringData != nullptr; }
  std::int32_t PipeIndex() const { return pipeIndex; }
  std::int32_t RingSize() const { return ringSize; }

 private:
  std::unique_ptr<platform::FileMapping> mappingHandle;
  std::unique_ptr<platform::NamedMutex> mutexHandle;
  std::int32_t pipeIndex = 0;
  std::uint8_t* ringData = nullptr;
  std::int32_t ringSize = 0;
  std::unique_ptr<platform::MappedView> view_;
};

// The program's two ends; they live until the process ends.
extern CIpcPipe theReadPipe;
extern CIpcPipe theWritePipe;
