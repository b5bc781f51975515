#pragma once
#include <cstddef>
#include <cstdint>

// The ring buffer inside one pipe's shared view, as both sides of the channel move bytes
// through it. These functions only do the arithmetic and the copies: the caller holds the
// pipe's named mutex around every call that reads or stores an index or touches the ring.
//
// View of one pipe: kRingHeaderSize + ringSize bytes. Words are 32 bits, little-endian.
//
// | offset | width    | field          | meaning                                              |
// |--------|----------|----------------|------------------------------------------------------|
// | 0      | 4        | readerThreadId | unsigned id of the thread that consumes this ring;   |
// |        |          |                | the producer posts "IPCDataReady" to it after writes |
// | 4      | 4        | readIndex      | signed; ring offset of the next byte to consume;     |
// |        |          |                | moved by the consumer only                           |
// | 8      | 4        | writeIndex     | signed; ring offset of the next byte to produce;     |
// |        |          |                | moved by the producer only                           |
// | 12     | ringSize | ring           | the data bytes                                       |
//
// Ring rules, the same for both sides:
// - both indexes lie in 0 .. ringSize-1 (the header belongs to the other process, so check
//   with RingIndexesValid before trusting it);
// - the ring is empty exactly when readIndex == writeIndex;
// - bytes in use = writeIndex - readIndex, plus ringSize when negative;
// - free space = ringSize - 1 - bytes in use: a full ring never looks empty;
// - bytes are stored in order, and a transfer that reaches the end goes on at offset 0.

inline constexpr std::int32_t kRingHeaderSize = 12;
inline constexpr std::size_t kReaderThreadIdOffset = 0;
inline constexpr std::size_t kReadIndexOffset = 4;
inline constexpr std::size_t kWriteIndexOffset = 8;

// A copy of the three header words, taken under the mutex.
struct RingHeader {
  std::uint32_t readerThreadId = 0;
  std::int32_t readIndex = 0;
  std::int32_t writeIndex = 0;
};

// Little-endian 32-bit words at any alignment.
std::uint32_t LoadLe32(const std::uint8_t* bytes);
void StoreLe32(std::uint8_t* bytes, std::uint32_t value);

// `view` is the first byte of the mapped view (the header), not of the ring.
RingHeader LoadRingHeader(const std::uint8_t* view);
void StoreReaderThreadId(std::uint8_t* view, std::uint32_t threadId);
void StoreReadIndex(std::uint8_t* view, std::int32_t index);
void StoreWriteIndex(std::uint8_t* view, std::int32_t index);

// True when ringSize > 0 and both indexes lie in 0 .. ringSize-1.
bool RingIndexesValid(const RingHeader& header, std::int32_t ringSize);
// Both require RingIndexesValid(header, ringSize). In use: 0 .. ringSize-1; free likewise.
std::int32_t RingBytesInUse(const RingHeader& header, std::int32_t ringSize);
std::int32_t RingFreeSpace(const RingHeader& header, std::int32_t ringSize);
// The offset n bytes after index, wrapped. Requires 0 <= index < ringSize, 0 <= n <= ringSize.
std::int32_t RingAdvance(std::int32_t index, std::int32_t n, std::int32_t ringSize);

// Copies n bytes out of the ring from offset `from` into dest, going on at offset 0 when the
// end is reached (at most two block copies); returns the offset after the last byte, which is
// the new readIndex, or -1 when the view's pages went away under the copy (another process
// shrank the mapping). Requires 0 <= from < ringSize and 0 <= n <= ringSize.
std::int32_t RingCopyOut(const std::uint8_t* view, std::int32_t ringSize, std::int32_t from,
                         void* dest, std::int32_t n);
// Copies n bytes from src into the ring at offset `at`, wrapping likewise; returns the offset
// after the last byte, which is the new writeIndex, or -1 as above. Same requirements as
// RingCopyOut; the caller checks the free space first.
std::int32_t RingCopyIn(std::uint8_t* view, std::int32_t ringSize, std::int32_t at, const void* src,
                        std::int32_t n);
