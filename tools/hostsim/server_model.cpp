#include "tools/hostsim/server_model.h"

#include <algorithm>

namespace hostsim {

namespace {

// The word after `command`, when text is that command; lower-cased as the server would.
std::optional<std::string> Argument(std::string_view text, std::string_view command) {
  if (!text.starts_with(command)) {
    return std::nullopt;
  }
  text.remove_prefix(command.size());
  while (!text.empty() && (text.back() == '\0' || text.back() == '\n' || text.back() == '\r' ||
                           text.back() == ' ')) {
    text.remove_suffix(1);
  }
  if (text.empty()) {
    return std::nullopt;
  }
  return LowerCased(text);
}

}  // namespace

void ServerModel::Announce(const NoticedGame& game) {
  std::erase_if(games_, [&](const NoticedGame& g) { return g.game == game.game; });
  games_.push_back(game);
}

void ServerModel::EndGame(int game) {
  std::erase_if(games_, [&](const NoticedGame& g) { return g.game == game; });
  open_.erase(game);
}

std::optional<ServerModel::Relation> ServerModel::Command(std::string_view text) {
  if (auto name = Argument(text, "+gnotify ")) {
    if (!IsNotified(*name)) {
      notifyList_.push_back(std::move(*name));
    }
    return std::nullopt;
  }
  if (auto name = Argument(text, "-gnotify ")) {
    std::erase(notifyList_, *name);
    return std::nullopt;
  }
  const auto name = Argument(text, "observe ");
  if (!name) {
    return std::nullopt;
  }
  const auto newest = std::find_if(games_.rbegin(), games_.rend(), [&](const NoticedGame& g) {
    return g.playerA == *name || g.playerB == *name;
  });
  if (newest == games_.rend()) {
    return std::nullopt;
  }
  return Relation{newest->game, IsOpen(newest->game) ? 'X' : 'O'};
}

void ServerModel::Reported(const Relation& relation) {
  if (relation.letter == 'O') {
    open_.insert(relation.game);
  } else if (relation.letter == 'X') {
    open_.erase(relation.game);
  }
}

bool ServerModel::IsNotified(std::string_view name) const {
  return std::find(notifyList_.begin(), notifyList_.end(), name) != notifyList_.end();
}

const NoticedGame* ServerModel::Find(int game) const {
  const auto it = std::find_if(games_.begin(), games_.end(),
                               [&](const NoticedGame& g) { return g.game == game; });
  return it == games_.end() ? nullptr : &*it;
}

}  // namespace hostsim
