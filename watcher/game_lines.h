#pragma once
#include <optional>
#include <string>
#include <string_view>

// The server's lines about games, read wherever a line of the server is looked at: by the relay,
// which follows the user's own games and the boards the user observes, and by the policy, which
// shows when the user's own game has begun.

// Case-blind comparison of two player names (A-Z against a-z only).
bool SameName(std::string_view a, std::string_view b);
// The game of "You are now observing game N." and of "Removing game N from observation list."
std::optional<int> ObservingGame(std::string_view line);
std::optional<int> RemovedGame(std::string_view line);
// The game of a style-12 board line ("<12> ...") in which the user is one of the players.
std::optional<int> PlayedGame(std::string_view line);

// A game line "{Game N (A vs. B) TEXT}" with a result after it when the game has ended.
struct GameLine {
  int game = 0;
  std::string playerA, playerB;
  bool started = false;  // TEXT begins with "Creating" or "Continuing"
  bool ended = false;    // a result follows: 1-0, 0-1, 1/2-1/2 or *
};
std::optional<GameLine> ParseGameLine(std::string_view line);
