#pragma once
#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tools/hostsim/notification.h"

namespace hostsim {

// What hostsim plays of the chess server and the host behind it: the games it announced,
// the boards open by the relations it reported, and the user's notification list as the
// program's commands keep it.
class ServerModel {
 public:
  // A relation that the host reports in answer to a command.
  struct Relation {
    int game = 0;
    char letter = 'O';
  };

  // A game announced by a notification line; a later one with the same number replaces it.
  void Announce(const NoticedGame& game);
  // The game has ended: it is forgotten, and its board closed if one was open.
  void EndGame(int game);

  // A server command from the program, as its kind-2 text (a trailing line feed and NUL are
  // ignored). "+gnotify NAME" and "-gnotify NAME" keep the notification list. For "observe
  // NAME" the answer is the relation for the newest announced game of that player: 'O' when
  // its board is closed, 'X' when it is open (a second observe leaves the game). None for
  // other commands and for a player of no announced game.
  std::optional<Relation> Command(std::string_view text);

  // Bookkeeping of a relation reported to the program, whoever decided on it.
  void Reported(const Relation& relation);

  std::size_t OpenBoards() const { return open_.size(); }
  bool IsOpen(int game) const { return open_.count(game) != 0; }
  const std::vector<std::string>& NotifyList() const { return notifyList_; }
  bool IsNotified(std::string_view name) const;
  // The players of an announced game, or none.
  const NoticedGame* Find(int game) const;

 private:
  std::vector<NoticedGame> games_;  // in order of announcement
  std::set<int> open_;
  std::vector<std::string> notifyList_;
};

}  // namespace hostsim
