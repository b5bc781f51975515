#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The one codec of the messages between the program and the host: both sides build and read
// them here. Fields are little-endian, without padding.
//
// Framing, the same in both directions:
//
// | offset | width  | field   | meaning                                                  |
// |--------|--------|---------|----------------------------------------------------------|
// | 0      | 2      | kind    | message kind (the low 16 bits of the kind given)         |
// | 2      | 2      | length  | count of the payload bytes that follow; the program      |
// |        |        |         | reads the host's as signed, so the host stays <= 32767   |
// | 4      | length | payload | a text, a value or an argument payload                   |
//
// | form     | payload                                     | length          | total bytes     |
// |----------|---------------------------------------------|-----------------|-----------------|
// | text     | the text's bytes, then one NUL              | text length + 1 | text length + 5 |
// | value    | the low 16 bits of the value, little-endian | 2               | 6               |
// | argument | the table below (kind 1001, host only)      | 10 + strings    |                 |
//
// Argument payload (kind 1001), written by the host:
//
// | offset | width | field    | meaning                                                    |
// |--------|-------|----------|------------------------------------------------------------|
// | 0      | 2     | -        | not examined, 0                                            |
// | 2      | 2     | type     | 0 identity, 1 server text line, 43 game relation           |
// | 4      | 4     | -        | not examined, 0                                            |
// | 8      | 2     | argCount | number of arguments                                        |
// | 10     | rest  | args     | argCount NUL-terminated strings, back to back              |
//
// Kinds the program writes: 1 text (its client name), 2 text (a chess-server command line),
// 4, 5 and 6 values (the handshake). The host's kinds and what the program makes of them are
// the reader's (watcher/host_message.h); 1001 and 1003 are the two it acts on.

inline constexpr std::size_t kFrameHeaderSize = 4;
inline constexpr std::size_t kValueFrameSize = kFrameHeaderSize + 2;
// The longest text whose length with its NUL still fits the 16-bit length field.
inline constexpr std::size_t kMaxFrameTextLength = 0xFFFF - 1;
// The longest payload the host writes: the program reads the length as signed.
inline constexpr std::size_t kMaxHostPayload = 32767;

inline constexpr int kCommandKind = 2;
inline constexpr int kArgumentKind = 1001;
inline constexpr int kQuitKind = 1003;

inline constexpr std::size_t kArgumentHeadSize = 10;
inline constexpr int kIdentityType = 0;
inline constexpr int kLineType = 1;
inline constexpr int kRelationType = 43;

struct FrameHeader {
  std::uint16_t kind = 0;
  std::uint16_t length = 0;
};

std::uint16_t LoadLe16(const std::uint8_t* bytes);
FrameHeader LoadFrameHeader(const std::uint8_t* bytes);
void StoreFrameHeader(std::uint8_t* bytes, FrameHeader header);

// Kinds 4 to 6 with a payload of two bytes: the values the program writes.
bool IsProgramValue(int kind, std::size_t payloadSize);

// Header and payload; length is the payload's size, which must be at most 0xFFFF.
std::vector<std::uint8_t> Frame(int kind, std::span<const std::uint8_t> payload);
// A text message; empty when the text is longer than kMaxFrameTextLength.
std::vector<std::uint8_t> FrameText(int kind, std::string_view text);
// A value message: kind, length 2, the low 16 bits of value.
std::array<std::uint8_t, kValueFrameSize> FrameValue(int kind, int value);

// An argument payload with argCount as given, which may disagree with args (to build
// malformed ones); no size limit.
std::vector<std::uint8_t> ArgumentPayload(int type, int argCount,
                                          const std::vector<std::string>& args);
// A whole argument message; empty when the payload exceeds kMaxHostPayload.
std::vector<std::uint8_t> FrameArguments(int type, const std::vector<std::string>& args);

// The fields of the first kArgumentHeadSize payload bytes.
std::int16_t ArgumentType(const std::uint8_t* head);
std::int16_t ArgumentCount(const std::uint8_t* head);
// The argument strings after the head of `payload`: argCount of them at most, each up to its
// NUL or the payload's end. Strings the payload does not hold are left out.
std::vector<std::string> ParseArguments(std::span<const std::uint8_t> payload, int argCount);
