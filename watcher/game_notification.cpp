#include "watcher/game_notification.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "watcher/watch_state.h"

namespace {

// The factor is the single-precision value nearest 2/3, a little above it, so that increments
// that are multiples of 3 give whole minutes (5 + 3 * f gives 7, not 6.99...).
constexpr double kEtimeFactor = static_cast<double>(0.6666667f);

bool LowerPrefixEquals(std::string_view token, std::string_view lowerPrefix) {
  if (token.size() < lowerPrefix.size()) {
    return false;
  }
  std::string head(token.substr(0, lowerPrefix.size()));
  LowerCaseName(head);
  return head == lowerPrefix;
}

std::string LowerCopy(std::string_view token) {
  std::string text(token);
  LowerCaseName(text);
  return text;
}

}  // namespace

std::int32_t LeadingDecimal(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kMax + 1) {
      value = kMax + 1;  // already past both limits; keep the product small
    }
  }
  if (negative) {
    return static_cast<std::int32_t>(std::max(-value, kMin));
  }
  return static_cast<std::int32_t>(std::min(value, kMax));
}

double GameNotification::Etime() const {
  return std::trunc(initialMinutes + incrementSeconds * kEtimeFactor);
}

std::optional<GameNotification> ParseGameNotification(std::string_view line) {
  std::array<std::string_view, GameNotification::kSpaces + 1> tokens;
  std::size_t count = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || line[i] == ' ') {
      if (count == tokens.size()) {
        return std::nullopt;  // more than 12 spaces
      }
      tokens[count++] = line.substr(start, i - start);
      start = i + 1;
    }
  }
  const bool numbered = count == GameNotification::kSpaces + 1;
  const bool unnumbered =
      count == GameNotification::kUnnumberedSpaces + 1 && tokens[0] == "Game" && tokens[4] == "vs.";
  if (!(numbered || unnumbered) || tokens[1] != "notification:") {
    return std::nullopt;
  }
  GameNotification game;
  if (numbered && !tokens[12].empty() && tokens[12][0] >= '0' && tokens[12][0] <= '9') {
    game.game = LeadingDecimal(tokens[12]);
  }
  game.playerA = LowerCopy(tokens[2]);
  game.playerB = LowerCopy(tokens[5]);
  game.unrated = LowerPrefixEquals(tokens[7], "unrat");
  game.wild = LowerPrefixEquals(tokens[8], "wild");
  game.initialMinutes = LeadingDecimal(tokens[9]);
  game.incrementSeconds = LeadingDecimal(tokens[10]);
  return game;
}
