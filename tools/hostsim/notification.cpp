#include "tools/hostsim/notification.h"

#include "platform/ascii_case.h"
#include "watcher/game_notification.h"

namespace hostsim {

std::string LowerCased(std::string_view name) {
  std::string out(name);
  platform::AsciiLowerInPlace(out);
  return out;
}

std::string NotificationLine(const GameNotice& n) {
  return "Game notification: " + n.playerA + " (" + std::to_string(n.ratingA) + ") vs. " +
         n.playerB + " (" + std::to_string(n.ratingB) + ") " + (n.rated ? "rated " : "unrated ") +
         n.variant + " " + std::to_string(n.minutes) + " " + std::to_string(n.increment) +
         ": Game " + std::to_string(n.game);
}

std::optional<NoticedGame> ReadNotificationLine(std::string_view line) {
  const std::optional<GameNotification> notice = ParseGameNotification(line);
  if (!notice || !notice->game) {
    return std::nullopt;
  }
  return NoticedGame{*notice->game, notice->playerA, notice->playerB};
}

}  // namespace hostsim
