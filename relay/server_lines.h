#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// A line with the server's prompts in front of it ("aics% " and the like: a word, then "% ")
// taken off.
std::string_view StripPrompt(std::string_view line);
// NAME of "**** Starting SERVER session as NAME ****", without a tag in parentheses.
std::optional<std::string> SessionStartName(std::string_view line);
// The game of "You are now observing game N." and of "Removing game N from observation list."
std::optional<int> ObservingGame(std::string_view line);
std::optional<int> RemovedGame(std::string_view line);
// True for a line whose second word is "notification:", as vantor1 reads notifications.
bool IsNotification(std::string_view line);

// A game line "{Game N (A vs. B) TEXT}" with a result after it when the game has ended.
struct GameLine {
  int game = 0;
  std::string playerA, playerB;
  bool started = false;  // TEXT begins with "Creating" or "Continuing"
  bool ended = false;    // a result follows: 1-0, 0-1, 1/2-1/2 or *
};
std::optional<GameLine> ParseGameLine(std::string_view line);

// Turns the server's lines of one session into what vantor1 is told. Keeps the user's name and
// the game the user is playing, and while that game runs holds back game notifications (unless
// pausing is off), so that no board opens in the middle of the user's own game.
class ServerLines {
 public:
  explicit ServerLines(bool pauseWhilePlaying) : pause_(pauseWhilePlaying) {}

  // The messages for one server line (CR, LF and telnet bytes already gone), in order.
  std::vector<HostNote> Translate(std::string_view line);

  bool SessionStarted() const { return !user_.empty(); }
  const std::string& UserName() const { return user_; }
  bool Playing() const { return ownGame_.has_value(); }
  std::size_t HeldBack() const { return heldBack_; }

 private:
  void FollowGame(const GameLine& game, std::vector<HostNote>& out);

  bool pause_;
  std::string user_;
  std::optional<int> ownGame_;
  std::size_t heldBack_ = 0;
};

}  // namespace relay
