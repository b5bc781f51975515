#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Framing of every message between the program and the host, the same in both directions.
// Fields are little-endian.
//
// | offset | width  | field   | meaning                                          |
// |--------|--------|---------|--------------------------------------------------|
// | 0      | 2      | kind    | message kind (the low 16 bits of the kind given) |
// | 2      | 2      | length  | count of the payload bytes that follow           |
// | 4      | length | payload | one of the two forms below                       |
//
// | form  | payload                                       | length          | total bytes     |
// |-------|-----------------------------------------------|-----------------|-----------------|
// | text  | the text's bytes, then one NUL                | text length + 1 | text length + 5 |
// | value | the low 16 bits of the value, little-endian   | 2               | 6               |

inline constexpr std::size_t kFrameHeaderSize = 4;
inline constexpr std::size_t kValueFrameSize = kFrameHeaderSize + 2;
// The longest text whose length with its NUL still fits the 16-bit length field.
inline constexpr std::size_t kMaxFrameTextLength = 0xFFFF - 1;

struct FrameHeader {
  std::uint16_t kind = 0;
  std::uint16_t length = 0;
};

FrameHeader LoadFrameHeader(const std::uint8_t* bytes);
void StoreFrameHeader(std::uint8_t* bytes, FrameHeader header);

// A text message; empty when the text is longer than kMaxFrameTextLength.
std::vector<std::uint8_t> FrameText(int kind, std::string_view text);
// A value message: kind, length 2, the low 16 bits of value.
std::array<std::uint8_t, kValueFrameSize> FrameValue(int kind, int value);
