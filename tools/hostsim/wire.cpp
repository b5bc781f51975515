#include "tools/hostsim/wire.h"

#include <cstdio>

namespace hostsim {

namespace {

void AppendLe16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

std::vector<std::uint8_t> Frame(int kind, std::span<const std::uint8_t> payload) {
  std::vector<std::uint8_t> frame;
  frame.reserve(4 + payload.size());
  AppendLe16(frame, static_cast<std::uint16_t>(kind));
  AppendLe16(frame, static_cast<std::uint16_t>(payload.size()));
  frame.insert(frame.end(), payload.begin(), payload.end());
  return frame;
}

bool IsOctalDigit(char c) {
  return c >= '0' && c <= '7';
}

}  // namespace

bool WireMessage::IsValue() const {
  return kind >= 4 && kind <= 6 && payload.size() == 2;
}

std::uint16_t WireMessage::Value() const {
  return static_cast<std::uint16_t>(payload[0] | payload[1] << 8);
}

std::string_view WireMessage::Bytes() const {
  return {reinterpret_cast<const char*>(payload.data()), payload.size()};
}

std::vector<std::uint8_t> ValueMessage(int kind, std::int64_t value) {
  std::vector<std::uint8_t> payload;
  AppendLe16(payload, static_cast<std::uint16_t>(value));
  return Frame(kind, payload);
}

std::optional<std::vector<std::uint8_t>> DataMessage(int kind, std::string_view text) {
  if (text.size() + 1 > kMaxHostPayload) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> payload(text.begin(), text.end());
  payload.push_back(0);
  return Frame(kind, payload);
}

std::optional<std::vector<std::uint8_t>> ArgumentMessage(int type,
                                                         const std::vector<std::string>& args) {
  std::vector<std::uint8_t> payload;
  AppendLe16(payload, 0);
  AppendLe16(payload, static_cast<std::uint16_t>(type));
  payload.insert(payload.end(), 4, 0);
  AppendLe16(payload, static_cast<std::uint16_t>(args.size()));
  for (const std::string& arg : args) {
    payload.insert(payload.end(), arg.begin(), arg.end());
    payload.push_back(0);
  }
  if (payload.size() > kMaxHostPayload || args.size() > 32767) {
    return std::nullopt;
  }
  return Frame(kArgumentKind, payload);
}

std::vector<std::uint8_t> QuitMessage() {
  return Frame(kQuitKind, {});
}

std::vector<std::uint8_t> RelationMessage(int game, char letter) {
  // Two short arguments always fit.
  return *ArgumentMessage(kRelationType, {std::to_string(game), std::string(1, letter)});
}

WireMessage TextWire(int kind, std::string_view text) {
  WireMessage message{static_cast<std::int16_t>(kind), {text.begin(), text.end()}};
  message.payload.push_back(0);
  return message;
}

WireMessage ValueWire(int kind, int value) {
  WireMessage message{static_cast<std::int16_t>(kind), {}};
  AppendLe16(message.payload, static_cast<std::uint16_t>(value));
  return message;
}

const std::vector<WireMessage>& ExpectedHandshake() {
  static const std::vector<WireMessage> handshake = [] {
    std::vector<WireMessage> messages;
    messages.push_back(TextWire(1, "vantor2008"));
    messages.push_back(ValueWire(4, 1));
    for (int v = 100; v <= 1499; ++v) {
      messages.push_back(ValueWire(5, v));
    }
    messages.push_back(ValueWire(6, 43));
    messages.push_back(ValueWire(6, 0));
    return messages;
  }();
  return handshake;
}

void FrameDecoder::Feed(std::span<const std::uint8_t> bytes) {
  // Drop what was consumed before growing, so the buffer never holds more than one
  // incomplete frame plus the new bytes.
  if (start_ > 0) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
  }
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

std::optional<WireMessage> FrameDecoder::Next() {
  if (Buffered() < 4) {
    return std::nullopt;
  }
  const std::uint8_t* p = buffer_.data() + start_;
  const auto kind = static_cast<std::int16_t>(p[0] | p[1] << 8);
  const std::size_t length = static_cast<std::uint16_t>(p[2] | p[3] << 8);
  if (Buffered() < 4 + length) {
    return std::nullopt;
  }
  WireMessage message{kind, {p + 4, p + 4 + length}};
  start_ += 4 + length;
  return message;
}

std::string CEscape(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    const bool octalNext = i + 1 < bytes.size() && IsOctalDigit(bytes[i + 1]);
    switch (c) {
      case '\n':
        out += "\\n";
        continue;
      case '\t':
        out += "\\t";
        continue;
      case '\r':
        out += "\\r";
        continue;
      case '\\':
        out += "\\\\";
        continue;
      case '"':
        out += "\\\"";
        continue;
      case '\0':
        out += octalNext ? "\\000" : "\\0";
        continue;
      default:
        break;
    }
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u > 0x7E) {
      char octal[5];
      std::snprintf(octal, sizeof octal, "\\%03o", u);
      out += octal;
    } else {
      out += c;
    }
  }
  return out;
}

std::string DescribeReceived(const WireMessage& message) {
  std::string line = "< " + std::to_string(message.kind);
  if (message.IsValue()) {
    return line + " value " + std::to_string(message.Value());
  }
  return line + " text \"" + CEscape(message.Bytes()) + "\"";
}

}  // namespace hostsim
