#include "hostlink/ring.h"

#include <cassert>
#include <cstring>

#include "platform/guarded_copy.h"

std::uint32_t LoadLe32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void StoreLe32(std::uint8_t* bytes, std::uint32_t value) {
  bytes[0] = static_cast<std::uint8_t>(value);
  bytes[1] = static_cast<std::uint8_t>(value >> 8);
  bytes[2] = static_cast<std::uint8_t>(value >> 16);
  bytes[3] = static_cast<std::uint8_t>(value >> 24);
}

RingHeader LoadRingHeader(const std::uint8_t* view) {
  RingHeader header;
  header.readerThreadId = LoadLe32(view + kReaderThreadIdOffset);
  header.readIndex = static_cast<std::int32_t>(LoadLe32(view + kReadIndexOffset));
  header.writeIndex = static_cast<std::int32_t>(LoadLe32(view + kWriteIndexOffset));
  return header;
}

void StoreReaderThreadId(std::uint8_t* view, std::uint32_t threadId) {
  StoreLe32(view + kReaderThreadIdOffset, threadId);
}

void StoreReadIndex(std::uint8_t* view, std::int32_t index) {
  StoreLe32(view + kReadIndexOffset, static_cast<std::uint32_t>(index));
}

void StoreWriteIndex(std::uint8_t* view, std::int32_t index) {
  StoreLe32(view + kWriteIndexOffset, static_cast<std::uint32_t>(index));
}

bool RingIndexesValid(const RingHeader& header, std::int32_t ringSize) {
  return ringSize > 0 && header.readIndex >= 0 && header.readIndex < ringSize &&
         header.writeIndex >= 0 && header.writeIndex < ringSize;
}

std::int32_t RingBytesInUse(const RingHeader& header, std::int32_t ringSize) {
  assert(RingIndexesValid(header, ringSize) && "indexes must be checked first");
  std::int32_t inUse = header.writeIndex - header.readIndex;
  return inUse < 0 ? inUse + ringSize : inUse;
}

std::int32_t RingFreeSpace(const RingHeader& header, std::int32_t ringSize) {
  return ringSize - 1 - RingBytesInUse(header, ringSize);
}

std::int32_t RingAdvance(std::int32_t index, std::int32_t n, std::int32_t ringSize) {
  assert(index >= 0 && index < ringSize && n >= 0 && n <= ringSize);
  // Written as a comparison against the room left so that nothing can overflow.
  return n < ringSize - index ? index + n : n - (ringSize - index);
}

std::int32_t RingCopyOut(const std::uint8_t* view, std::int32_t ringSize, std::int32_t from,
                         void* dest, std::int32_t n) {
  assert(from >= 0 && from < ringSize && n >= 0 && n <= ringSize);
  if (n == 0) {
    return from;  // dest may be null then, and memcpy must not see a null pointer
  }
  const std::uint8_t* ring = view + kRingHeaderSize;
  auto* out = static_cast<std::uint8_t*>(dest);
  std::int32_t tail = ringSize - from;
  const bool copied =
      n <= tail ? platform::CopyGuarded(out, ring + from, static_cast<std::size_t>(n))
                : platform::CopyGuarded(out, ring + from, static_cast<std::size_t>(tail)) &&
                      platform::CopyGuarded(out + tail, ring, static_cast<std::size_t>(n - tail));
  if (!copied) {
    return -1;
  }
  return RingAdvance(from, n, ringSize);
}

std::int32_t RingCopyIn(std::uint8_t* view, std::int32_t ringSize, std::int32_t at, const void* src,
                        std::int32_t n) {
  assert(at >= 0 && at < ringSize && n >= 0 && n <= ringSize);
  if (n == 0) {
    return at;
  }
  std::uint8_t* ring = view + kRingHeaderSize;
  const auto* in = static_cast<const std::uint8_t*>(src);
  std::int32_t tail = ringSize - at;
  const bool copied =
      n <= tail ? platform::CopyGuarded(ring + at, in, static_cast<std::size_t>(n))
                : platform::CopyGuarded(ring + at, in, static_cast<std::size_t>(tail)) &&
                      platform::CopyGuarded(ring, in + tail, static_cast<std::size_t>(n - tail));
  if (!copied) {
    return -1;
  }
  return RingAdvance(at, n, ringSize);
}
