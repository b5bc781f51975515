#include "relay/server_lines.h"

#include <charconv>

namespace relay {

namespace {

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-';
}

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

HostNote Relation(int game, const char* letter) {
  return {43, {std::to_string(game), letter}};
}

}  // namespace

std::string_view StripPrompt(std::string_view line) {
  for (;;) {
    // A word starts with a letter, so that "50% of it" keeps its number.
    std::size_t n = 0;
    while (n < line.size() && IsWordByte(line[n]) && (n > 0 || IsLetter(line[n]))) {
      ++n;
    }
    if (n == 0 || line.substr(n, 2) != "% ") {
      return line;
    }
    line.remove_prefix(n + 2);
  }
}

std::optional<std::string> SessionStartName(std::string_view line) {
  if (!TakePrefix(line, "**** Starting ") || !line.ends_with(" ****")) {
    return std::nullopt;
  }
  line.remove_suffix(5);
  const std::size_t as = line.rfind(" session as ");
  if (as == std::string_view::npos) {
    return std::nullopt;
  }
  std::string_view name = line.substr(as + 12);
  name = name.substr(0, name.find('('));
  if (name.empty() || name.find(' ') != std::string_view::npos) {
    return std::nullopt;
  }
  return std::string(name);
}

std::optional<int> ObservingGame(std::string_view line) {
  return NumberBetween(line, "You are now observing game ", ".");
}

std::optional<int> RemovedGame(std::string_view line) {
  return NumberBetween(line, "Removing game ", " from observation list.");
}

bool IsNotification(std::string_view line) {
  const std::size_t space = line.find(' ');
  return space != std::string_view::npos && line.substr(space + 1).starts_with("notification: ");
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

void ServerLines::FollowGame(const GameLine& game, std::vector<HostNote>& out) {
  if (game.ended) {
    out.push_back(Relation(game.game, "X"));
    if (ownGame_ == game.game) {
      ownGame_.reset();
    }
  } else if (game.started && SessionStarted() &&
             (SameName(game.playerA, user_) || SameName(game.playerB, user_))) {
    ownGame_ = game.game;
  }
}

std::vector<HostNote> ServerLines::Translate(std::string_view line) {
  std::vector<HostNote> out;
  const std::string_view text = StripPrompt(line);
  if (text.empty()) {
    return out;
  }
  if (pause_ && Playing() && IsNotification(text)) {
    ++heldBack_;
    return out;
  }
  // Cut, never split: a second message would read as a line of its own.
  out.push_back({1, {std::string(text.substr(0, kMaxArgument))}});
  if (std::optional<std::string> name = SessionStartName(text)) {
    user_ = *name;
    out.push_back({0, {std::move(*name)}});
  } else if (const std::optional<int> game = ObservingGame(text)) {
    out.push_back(Relation(*game, "O"));
  } else if (const std::optional<int> removed = RemovedGame(text)) {
    out.push_back(Relation(*removed, "X"));
  } else if (const std::optional<GameLine> game = ParseGameLine(text)) {
    FollowGame(*game, out);
  }
  return out;
}

}  // namespace relay
