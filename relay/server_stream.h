#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "relay/line_reader.h"
#include "relay/login.h"
#include "relay/server_lines.h"
#include "relay/server_text.h"

namespace relay {

using Clock = std::chrono::steady_clock;

// What the relay reads of one session's server output, as bytes arrive: telnet sequences,
// escape sequences and the server's wrapping taken away, the login followed, and each whole line
// turned into what vantor1 is told. The user's identity is told once the login is complete,
// before the lines after it. The bytes themselves are the caller's to pass on unchanged.
class ServerStream {
 public:
  using NoteFn = std::function<void(const HostNote&)>;
  // How long a line is held for a continuation that has not come.
  static constexpr auto kJoinWait = std::chrono::milliseconds(150);
  // The longest unended line that is looked at as a login question or prompt.
  static constexpr std::size_t kLongestQuestion = 256;

  explicit ServerStream(bool pauseWhilePlaying) : translate_(pauseWhilePlaying) {}

  void Feed(std::span<const std::uint8_t> bytes, Clock::time_point now, const NoteFn& onNote);
  // A line the client sent: the login's name and password are answers to the server.
  void ClientLine(std::string_view line) { login_.ClientLine(line); }
  // Passes on a line held for a continuation once its wait is over.
  void OnTime(Clock::time_point now, const NoteFn& onNote);
  std::optional<Clock::time_point> Deadline() const { return joinUntil_; }

  Login::Stage LoginStage() const { return login_.Current(); }
  bool LoggedIn() const { return login_.Ready(); }
  std::size_t HeldBack() const { return translate_.HeldBack(); }
  // The user is in a game of their own and notifications are held back.
  bool Pausing() const { return translate_.Pausing() && translate_.Playing(); }

 private:
  void CheckLogin(const NoteFn& onNote);

  LineReader reader_;
  LineJoiner joiner_;
  std::optional<Clock::time_point> joinUntil_;
  Login login_;
  bool identityTold_ = false;
  ServerLines translate_;
};

}  // namespace relay
