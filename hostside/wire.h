#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hostlink/framing.h"

// The messages that cross the channel, as the host writes them and reads the program's (framing
// and payloads: hostlink/framing.h).
namespace hostside {

// One message, whole; kinds travel as 16 bits and are kept as the program's signed reading.
struct WireMessage {
  std::int16_t kind = 0;
  std::vector<std::uint8_t> payload;

  bool operator==(const WireMessage&) const = default;
  // Kinds 4 to 6 with a payload of two bytes.
  bool IsValue() const;
  std::uint16_t Value() const;  // requires IsValue()
  std::string_view Bytes() const;
};

// Messages to the program. Each is one whole frame; none when the payload would not fit the
// signed 16-bit length field.
std::vector<std::uint8_t> ValueMessage(int kind, std::int64_t value);
std::optional<std::vector<std::uint8_t>> DataMessage(int kind, std::string_view text);
std::optional<std::vector<std::uint8_t>> ArgumentMessage(int type,
                                                         const std::vector<std::string>& args);
std::vector<std::uint8_t> QuitMessage();
// A game relation: type 43, arguments the game and the letter ("O" or "X").
std::vector<std::uint8_t> RelationMessage(int game, char letter);

// Builders of the program's messages, for comparing what arrives.
WireMessage TextWire(int kind, std::string_view text);  // text plus its NUL
WireMessage ValueWire(int kind, int value);
// The registration handshake as the program must send it, in order: 1,404 messages.
const std::vector<WireMessage>& ExpectedHandshake();

// Cuts the byte stream of one pipe into messages. A frame whose payload has not fully
// arrived stays buffered until it has.
class FrameDecoder {
 public:
  void Feed(std::span<const std::uint8_t> bytes);
  std::optional<WireMessage> Next();
  std::size_t Buffered() const { return buffer_.size() - start_; }

 private:
  std::vector<std::uint8_t> buffer_;
  std::size_t start_ = 0;
};

}  // namespace hostside
