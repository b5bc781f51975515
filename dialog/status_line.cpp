#include "dialog/status_line.h"

#include <algorithm>
#include <utility>

namespace dialog {
namespace {

// A peer's name as the status line shows it: at most this many bytes, never cut inside a
// UTF-8 character, with control bytes (which would break the line) shown as '?'.
constexpr std::size_t kShownNameBytes = 24;

std::string ShownName(std::string_view name) {
  std::string shown(name);
  if (name.size() > kShownNameBytes) {
    // The cut goes before the character that would be split.
    std::size_t end = kShownNameBytes;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) {
      --end;
    }
    shown = std::string(name.substr(0, end)) + "...";
  }
  std::replace_if(
      shown.begin(), shown.end(),
      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
  return shown;
}

const char* ReasonText(Decision::Reason reason) {
  switch (reason) {
    case Decision::Reason::BoardLimit:
      return "board limit";
    case Decision::Reason::ReservedBoards:
      return "boards kept for the follow list";
    case Decision::Reason::NotFollowed:
      return "not followed";
    case Decision::Reason::WatchingNone:
      return "games viewed: none";
    case Decision::Reason::ShortEtime:
      return "etime below the minimum";
    case Decision::Reason::OtherEtime:
      return "not my etime";
    case Decision::Reason::Increment:
      return "no increment";
    case Decision::Reason::Standard:
      return "no standard";
    case Decision::Reason::Unrated:
      return "no unrated";
    case Decision::Reason::Wild:
      return "no wild";
    case Decision::Reason::None:
      break;
  }
  return "no reason";
}

}  // namespace

std::string StatusLine::Text(const WatchState& state, bool attached) const {
  if (!attached) {
    return kWaitingText;
  }
  if (note_) {
    return *note_;
  }
  const std::string count = std::to_string(state.watchedCount) + " of " +
                            std::to_string(state.maxGameWindows) + " boards";
  return state.myName.empty() ? count : ShownName(state.myName) + " \u00B7 " + count;
}

std::string DecisionText(const Decision& decision) {
  const std::string player = decision.player.empty() ? "a game" : ShownName(decision.player);
  switch (decision.kind) {
    case Decision::Kind::Observed:
      return "observing " + player +
             (decision.game >= 0 ? " (game " + std::to_string(decision.game) + ")" : "");
    case Decision::Kind::Paused:
      return "paused: your own game";
    case Decision::Kind::Skipped:
      break;
  }
  return "skipped " + player + ": " + ReasonText(decision.reason);
}

std::optional<std::string> TakeDrainNote(WatchState& state) {
  const std::optional<Decision> decision = std::exchange(state.lastDecision, std::nullopt);
  if (const std::optional<int> added = std::exchange(state.serverListAdded, std::nullopt)) {
    // Read once an evening, so it goes before the decision on a game.
    return "follow list: " + std::to_string(*added) + (*added == 1 ? " name" : " names") +
           " from the server";
  }
  if (decision) {
    return DecisionText(*decision);
  }
  return std::nullopt;
}

std::string TrayTipText(std::string_view appName, std::string_view status) {
  return std::string(appName) + ": " + std::string(status);
}

}  // namespace dialog
