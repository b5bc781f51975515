#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace hostsim {

// A game as the server announces it to the players who asked to be notified.
struct GameNotice {
  int game = 0;
  std::string playerA;
  int ratingA = 0;
  std::string playerB;
  int ratingB = 0;
  bool rated = true;
  std::string variant = "blitz";  // "lightning", "blitz", "standard", "wild/5", ...
  int minutes = 5;
  int increment = 0;
};

// The server's game notification line in its numbered shape, as current servers send it:
// "Game notification: Alpha (1812) vs. beta (1790) rated blitz 5 0: Game 123".
// Names and the variant must hold no spaces, or the line stops being a notification.
std::string NotificationLine(const GameNotice& notice);

// The game number and both players (lower-cased) of a line that the program reads as a
// numbered game notification. None for any other line.
struct NoticedGame {
  int game = 0;
  std::string playerA;
  std::string playerB;
};
std::optional<NoticedGame> ReadNotificationLine(std::string_view line);

// Raises A-Z to a-z and leaves every other byte alone, as the program compares names.
std::string LowerCased(std::string_view name);

}  // namespace hostsim
