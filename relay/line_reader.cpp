#include "relay/line_reader.h"

#include <algorithm>

namespace relay {

namespace {
constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kSb = 250;  // subnegotiation begins; it ends with IAC SE
constexpr std::uint8_t kSe = 240;
constexpr std::uint8_t kWill = 251;  // WILL, WONT, DO and DONT (251..254) take an option byte
}  // namespace

void LineReader::Keep(std::uint8_t byte) {
  lastWasLf_ = false;
  if (byte != '\r' && byte != '\0' && line_.size() < kMaxLine) {
    line_.push_back(static_cast<char>(byte));
  }
}

void LineReader::Feed(std::span<const std::uint8_t> bytes, const LineFn& onLine) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (state_ == State::Data) {
      // A run of plain text is taken in one piece.
      std::size_t end = i;
      while (end < bytes.size() && bytes[end] != kIac && bytes[end] != '\n' && bytes[end] != '\r' &&
             bytes[end] != '\0') {
        ++end;
      }
      if (end > i) {
        lastWasLf_ = false;
        const std::size_t room = kMaxLine - line_.size();
        line_.append(reinterpret_cast<const char*>(bytes.data() + i), std::min(end - i, room));
        i = end - 1;
        continue;
      }
    }
    const std::uint8_t byte = bytes[i];
    switch (state_) {
      case State::Data:
        if (byte == kIac) {
          state_ = State::Iac;
        } else if (byte == '\n') {
          lastWasLf_ = true;
          onLine(line_);
          line_.clear();
        } else {
          Keep(byte);
        }
        break;
      case State::Iac:
        if (byte == kIac) {
          state_ = State::Data;
          Keep(byte);
        } else if (byte == kSb) {
          state_ = State::Sub;
        } else {
          state_ = byte >= kWill ? State::Option : State::Data;
        }
        break;
      case State::Option:
        state_ = State::Data;
        break;
      case State::Sub:
        state_ = byte == kIac ? State::SubIac : State::Sub;
        break;
      case State::SubIac:
        state_ = byte == kSe ? State::Data : State::Sub;
        break;
    }
  }
}

}  // namespace relay
