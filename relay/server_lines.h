#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "watcher/game_lines.h"

namespace relay {

// The longest argument that one argument message to vantor1 carries: the payload (at most
// 32767 bytes) holds a 10-byte head, the text and its NUL.
inline constexpr std::size_t kMaxArgument = 32767 - 10 - 1;

// An argument message for vantor1: type 1 a server line, 0 the user's identity, 43 a game
// relation ("N", "O" or "X").
struct HostNote {
  int type = 1;
  std::vector<std::string> args;
  bool operator==(const HostNote&) const = default;
};

// Turns the server's lines of one session into what vantor1 is told. Keeps the game the user is
// playing, and while that game runs holds back game notifications (unless pausing is off), so
// that no board opens in the middle of the user's own game.
class ServerLines {
 public:
  explicit ServerLines(bool pauseWhilePlaying) : pause_(pauseWhilePlaying) {}

  // The user's name, once the login has shown it: the user's own games are told by it.
  void SetUser(std::string name) { user_ = std::move(name); }
  // The messages for one whole server line (CR, LF, telnet bytes, escape sequences and wrapping
  // already gone; prompts still in front), in order.
  std::vector<HostNote> Translate(std::string_view line);

  bool Playing() const { return ownGame_.has_value(); }
  bool Pausing() const { return pause_; }
  std::size_t HeldBack() const { return heldBack_; }

 private:
  void FollowGame(const GameLine& game, std::vector<HostNote>& out);

  bool pause_;
  std::string user_;
  std::optional<int> ownGame_;
  std::size_t heldBack_ = 0;
};

}  // namespace relay
