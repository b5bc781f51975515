#include "hostlink/framing.h"

#include <algorithm>

namespace {

void StoreLe16(std::uint8_t* bytes, std::uint16_t value) {
  bytes[0] = static_cast<std::uint8_t>(value);
  bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint16_t LoadLe16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

// Kinds and values travel as their low 16 bits; the conversion to unsigned keeps exactly those.
std::uint16_t Low16(int value) {
  return static_cast<std::uint16_t>(value);
}

}  // namespace

FrameHeader LoadFrameHeader(const std::uint8_t* bytes) {
  return FrameHeader{LoadLe16(bytes), LoadLe16(bytes + 2)};
}

void StoreFrameHeader(std::uint8_t* bytes, FrameHeader header) {
  StoreLe16(bytes, header.kind);
  StoreLe16(bytes + 2, header.length);
}

std::vector<std::uint8_t> FrameText(int kind, std::string_view text) {
  if (text.size() > kMaxFrameTextLength) {
    return {};
  }
  std::vector<std::uint8_t> frame(kFrameHeaderSize + text.size() + 1);
  StoreFrameHeader(frame.data(), {Low16(kind), static_cast<std::uint16_t>(text.size() + 1)});
  std::copy(text.begin(), text.end(), frame.begin() + kFrameHeaderSize);
  frame.back() = 0;
  return frame;
}

std::array<std::uint8_t, kValueFrameSize> FrameValue(int kind, int value) {
  std::array<std::uint8_t, kValueFrameSize> frame{};
  StoreFrameHeader(frame.data(), {Low16(kind), 2});
  StoreLe16(frame.data() + kFrameHeaderSize, Low16(value));
  return frame;
}
