#include "hostlink/framing.h"

#include <algorithm>

namespace {

constexpr std::size_t kArgumentTypeOffset = 2;
constexpr std::size_t kArgumentCountOffset = 8;

void StoreLe16(std::uint8_t* bytes, std::uint16_t value) {
  bytes[0] = static_cast<std::uint8_t>(value);
  bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

// Kinds and values travel as their low 16 bits; the conversion to unsigned keeps exactly those.
std::uint16_t Low16(int value) {
  return static_cast<std::uint16_t>(value);
}

}  // namespace

std::uint16_t LoadLe16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

FrameHeader LoadFrameHeader(const std::uint8_t* bytes) {
  return FrameHeader{LoadLe16(bytes), LoadLe16(bytes + 2)};
}

void StoreFrameHeader(std::uint8_t* bytes, FrameHeader header) {
  StoreLe16(bytes, header.kind);
  StoreLe16(bytes + 2, header.length);
}

bool IsProgramValue(int kind, std::size_t payloadSize) {
  return kind >= 4 && kind <= 6 && payloadSize == 2;
}

std::vector<std::uint8_t> Frame(int kind, std::span<const std::uint8_t> payload) {
  std::vector<std::uint8_t> frame(kFrameHeaderSize + payload.size());
  StoreFrameHeader(frame.data(), {Low16(kind), static_cast<std::uint16_t>(payload.size())});
  std::copy(payload.begin(), payload.end(), frame.begin() + kFrameHeaderSize);
  return frame;
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

std::vector<std::uint8_t> ArgumentPayload(int type, int argCount,
                                          const std::vector<std::string>& args) {
  std::vector<std::uint8_t> payload(kArgumentHeadSize, 0);
  StoreLe16(payload.data() + kArgumentTypeOffset, Low16(type));
  StoreLe16(payload.data() + kArgumentCountOffset, Low16(argCount));
  for (const std::string& arg : args) {
    payload.insert(payload.end(), arg.begin(), arg.end());
    payload.push_back(0);
  }
  return payload;
}

std::vector<std::uint8_t> FrameArguments(int type, const std::vector<std::string>& args) {
  const std::vector<std::uint8_t> payload =
      ArgumentPayload(type, static_cast<int>(args.size()), args);
  if (payload.size() > kMaxHostPayload) {
    return {};  // also bounds the count: every argument takes at least its NUL
  }
  return Frame(kArgumentKind, payload);
}

std::int16_t ArgumentType(const std::uint8_t* head) {
  return static_cast<std::int16_t>(LoadLe16(head + kArgumentTypeOffset));
}

std::int16_t ArgumentCount(const std::uint8_t* head) {
  return static_cast<std::int16_t>(LoadLe16(head + kArgumentCountOffset));
}

std::vector<std::string> ParseArguments(std::span<const std::uint8_t> payload, int argCount) {
  std::vector<std::string> args;
  std::size_t offset = kArgumentHeadSize;
  for (int i = 0; i < argCount && offset < payload.size(); ++i) {
    const auto begin = payload.begin() + static_cast<std::ptrdiff_t>(offset);
    const auto nul = std::find(begin, payload.end(), std::uint8_t{0});
    args.emplace_back(begin, nul);
    offset = static_cast<std::size_t>(nul - payload.begin()) + 1;
  }
  return args;
}
