#include "hostside/wire.h"

#include "hostlink/host_session.h"

namespace hostside {

bool WireMessage::IsValue() const {
  return IsProgramValue(kind, payload.size());
}

std::uint16_t WireMessage::Value() const {
  return LoadLe16(payload.data());
}

std::string_view WireMessage::Bytes() const {
  return {reinterpret_cast<const char*>(payload.data()), payload.size()};
}

std::vector<std::uint8_t> ValueMessage(int kind, std::int64_t value) {
  const auto frame = FrameValue(kind, static_cast<int>(value));
  return {frame.begin(), frame.end()};
}

std::optional<std::vector<std::uint8_t>> DataMessage(int kind, std::string_view text) {
  if (text.size() + 1 > kMaxHostPayload) {
    return std::nullopt;
  }
  return FrameText(kind, text);
}

std::optional<std::vector<std::uint8_t>> ArgumentMessage(int type,
                                                         const std::vector<std::string>& args) {
  std::vector<std::uint8_t> frame = FrameArguments(type, args);
  if (frame.empty()) {
    return std::nullopt;
  }
  return frame;
}

std::vector<std::uint8_t> QuitMessage() {
  return Frame(kQuitKind, {});
}

std::vector<std::uint8_t> RelationMessage(int game, char letter) {
  // Two short arguments always fit.
  return FrameArguments(kRelationType, {std::to_string(game), std::string(1, letter)});
}

namespace {

WireMessage Decoded(std::span<const std::uint8_t> frame) {
  FrameDecoder decoder;
  decoder.Feed(frame);
  return *decoder.Next();
}

}  // namespace

WireMessage TextWire(int kind, std::string_view text) {
  return Decoded(FrameText(kind, text));
}

WireMessage ValueWire(int kind, int value) {
  return Decoded(FrameValue(kind, value));
}

const std::vector<WireMessage>& ExpectedHandshake() {
  static const std::vector<WireMessage> handshake = [] {
    std::vector<WireMessage> messages;
    for (const std::vector<std::uint8_t>& frame : HandshakeFrames()) {
      messages.push_back(Decoded(frame));
    }
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
  if (Buffered() < kFrameHeaderSize) {
    return std::nullopt;
  }
  const std::uint8_t* p = buffer_.data() + start_;
  const FrameHeader header = LoadFrameHeader(p);
  const std::size_t length = header.length;
  if (Buffered() < kFrameHeaderSize + length) {
    return std::nullopt;
  }
  const std::uint8_t* payload = p + kFrameHeaderSize;
  WireMessage message{static_cast<std::int16_t>(header.kind), {payload, payload + length}};
  start_ += kFrameHeaderSize + length;
  return message;
}

}  // namespace hostside
