#include "tools/hostsim/notification.h"

#include <charconv>
#include <vector>

#include "platform/ascii_case.h"

namespace hostsim {

namespace {

std::vector<std::string_view> SplitAtSpaces(std::string_view line) {
  std::vector<std::string_view> tokens;
  std::size_t start = 0;
  for (;;) {
    const std::size_t space = line.find(' ', start);
    tokens.push_back(line.substr(start, space - start));
    if (space == std::string_view::npos) {
      return tokens;
    }
    start = space + 1;
  }
}

}  // namespace

std::string LowerCased(std::string_view name) {
  std::string out(name);
  platform::AsciiLowerInPlace(out);
  return out;
}

std::string NotificationLine(const GameNotice& n) {
  return "Game notification: " + n.playerA + " (" + std::to_string(n.ratingA) + ") vs. " +
         n.playerB + " (" + std::to_string(n.ratingB) + ") " + (n.rated ? "rated " : "unrated ") +
         n.variant + " " + std::to_string(n.minutes) + " " + std::to_string(n.increment) + " : " +
         std::to_string(n.game);
}

std::optional<NoticedGame> ReadNotificationLine(std::string_view line) {
  const std::vector<std::string_view> tokens = SplitAtSpaces(line);
  if (tokens.size() != 13 || tokens[1] != "notification:") {
    return std::nullopt;
  }
  NoticedGame game;
  const std::string_view number = tokens[12];
  const auto [end, error] =
      std::from_chars(number.data(), number.data() + number.size(), game.game);
  if (error != std::errc() || end == number.data()) {
    return std::nullopt;
  }
  game.playerA = LowerCased(tokens[2]);
  game.playerB = LowerCased(tokens[5]);
  return game;
}

}  // namespace hostsim
