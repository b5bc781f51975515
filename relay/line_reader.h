#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace relay {

// Cuts one direction of a telnet session into lines. Telnet sequences (IAC and what follows it,
// subnegotiations included) are left out, and so are CR and NUL; an escaped IAC IAC is the data
// byte 0xFF. LF ends a line. A line keeps at most kMaxLine bytes: the rest, up to its LF, is
// dropped, so a line with no end costs no more than that.
class LineReader {
 public:
  static constexpr std::size_t kMaxLine = 64 * 1024;
  using LineFn = std::function<void(std::string_view)>;

  // Calls onLine for every line that the bytes complete, in order, without its LF.
  void Feed(std::span<const std::uint8_t> bytes, const LineFn& onLine);
  // True at the start of the stream and right after an LF outside any telnet sequence: a whole
  // line may be put into the stream here without landing inside one.
  bool AtLineStart() const { return state_ == State::Data && lastWasLf_; }
  std::size_t Buffered() const { return line_.size(); }
  // What has come of the line not yet ended: a prompt waits there, with no line feed after it.
  std::string_view Partial() const { return line_; }

 private:
  enum class State { Data, Iac, Option, Sub, SubIac };
  void Keep(std::uint8_t byte);

  State state_ = State::Data;
  bool lastWasLf_ = true;
  std::string line_;
};

}  // namespace relay
