#include "relay/server_lines.h"

#include "relay/server_text.h"
#include "watcher/game_notification.h"

namespace relay {

namespace {

HostNote Relation(int game, const char* letter) {
  return {43, {std::to_string(game), letter}};
}

}  // namespace

void ServerLines::FollowGame(const GameLine& game, std::vector<HostNote>& out) {
  if (game.ended) {
    out.push_back(Relation(game.game, "X"));
    if (ownGame_ == game.game) {
      ownGame_.reset();
    }
  } else if (game.started && !user_.empty() &&
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
  if (pause_ && Playing() && ParseGameNotification(text)) {
    ++heldBack_;
    return out;
  }
  // Cut, never split: a second message would read as a line of its own.
  out.push_back({1, {std::string(text.substr(0, kMaxArgument))}});
  if (const std::optional<int> game = ObservingGame(text)) {
    out.push_back(Relation(*game, "O"));
  } else if (const std::optional<int> removed = RemovedGame(text)) {
    out.push_back(Relation(*removed, "X"));
  } else if (const std::optional<GameLine> game = ParseGameLine(text)) {
    FollowGame(*game, out);
  } else if (const std::optional<int> played = PlayedGame(text)) {
    ownGame_ = *played;  // a game resumed before the relay saw it start
  }
  return out;
}

}  // namespace relay
