#include "watcher/game_lines.h"

#include <charconv>

namespace {

// Reads a game number at the front of `text` and steps past it.
std::optional<int> TakeNumber(std::string_view& text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || value < 0 || end == text.data()) {
    return std::nullopt;
  }
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  return value;
}

bool TakePrefix(std::string_view& text, std::string_view prefix) {
  if (!text.starts_with(prefix)) {
    return false;
  }
  text.remove_prefix(prefix.size());
  return true;
}

// The N of "PREFIX N SUFFIX", with nothing else on the line.
std::optional<int> NumberBetween(std::string_view line, std::string_view prefix,
                                 std::string_view suffix) {
  if (!TakePrefix(line, prefix)) {
    return std::nullopt;
  }
  const std::optional<int> n = TakeNumber(line);
  return n && line == suffix ? n : std::nullopt;
}

// Cuts `text` at the first occurrence of `mark`; none when it does not occur.
std::optional<std::string_view> TakeUntil(std::string_view& text, std::string_view mark) {
  const std::size_t at = text.find(mark);
  if (at == std::string_view::npos) {
    return std::nullopt;
  }
  const std::string_view head = text.substr(0, at);
  text.remove_prefix(at + mark.size());
  return head;
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) {
      return false;
    }
  }
  return true;
}

std::optional<int> ObservingGame(std::string_view line) {
  return NumberBetween(line, "You are now observing game ", ".");
}

std::optional<int> RemovedGame(std::string_view line) {
  return NumberBetween(line, "Removing game ", " from observation list.");
}

std::optional<int> PlayedGame(std::string_view line) {
  // <12> 8 ranks, side to move, pawn file, 4 castling flags, 50-move count, then the game, the
  // two players and the user's relation to the game: 1 or -1 while the user plays in it.
  constexpr std::size_t kGameField = 16, kRelationField = 19;
  if (!line.starts_with("<12> ")) {
    return std::nullopt;
  }
  std::string_view fields[kRelationField + 1];
  for (std::string_view& field : fields) {
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos) {
      return std::nullopt;  // the relation is never the last field
    }
    field = line.substr(0, space);
    line.remove_prefix(space + 1);
  }
  if (fields[kRelationField] != "1" && fields[kRelationField] != "-1") {
    return std::nullopt;
  }
  std::string_view game = fields[kGameField];
  const std::optional<int> number = TakeNumber(game);
  return number && game.empty() ? number : std::nullopt;
}

std::optional<GameLine> ParseGameLine(std::string_view line) {
  GameLine game;
  if (!TakePrefix(line, "{Game ")) {
    return std::nullopt;
  }
  const std::optional<int> number = TakeNumber(line);
  std::optional<std::string_view> a, b, text;
  if (!number || !TakePrefix(line, " (") || !(a = TakeUntil(line, " vs. ")) ||
      !(b = TakeUntil(line, ") ")) || !(text = TakeUntil(line, "}"))) {
    return std::nullopt;
  }
  game.game = *number;
  game.playerA = *a;
  game.playerB = *b;
  game.started = text->starts_with("Creating") || text->starts_with("Continuing");
  game.ended = line == " 1-0" || line == " 0-1" || line == " 1/2-1/2" || line == " *";
  return game;
}
