#include "watcher/policy.h"

#include <algorithm>
#include <string>

#include "hostlink/host_session.h"
#include "watcher/game_notification.h"

namespace {

constexpr double kStandardEtime = 15;
// Near the limit a claim keeps the next reset one more second away, so that unconfirmed
// boards are not given up while the host is still opening them.
constexpr int kClaimHoldMargin = 2;

// True when the options rule the game out whoever plays in it.
bool FilteredOut(const GameNotification& game, const WatchState& state) {
  const double etime = game.Etime();
  return etime < state.minEtime || (game.incrementSeconds > 0 && state.noIncrement) ||
         (state.myEtimeOnly && etime != state.minEtime) ||
         (etime >= kStandardEtime && !state.allowStandard) ||
         (game.unrated && !state.allowUnrated) || (game.wild && !state.allowWild) ||
         state.watchNone;
}

void ClaimBoard(WatchState& state) {
  ++state.claimedBoards;
  if (state.claimedBoards >= state.maxGameWindows - kClaimHoldMargin) {
    ++state.claimSecond;
  }
}

void DecideObservation(const GameNotification& game, CIpcPipe& writePipe, WatchState& state) {
  if (state.claimedBoards >= state.maxGameWindows || state.watchedCount >= state.maxGameWindows) {
    return;
  }
  bool pickA = state.IsFollowed(game.playerA);
  const bool pickB = state.IsFollowed(game.playerB);
  if (state.allNotifyMode) {
    // Unfollowed games may use only the boards beyond those reserved for followed players.
    const std::int32_t free = state.maxGameWindows - state.reservedBoards;
    // An empty name (two blanks in a row) is no player to observe.
    if (state.claimedBoards < free && state.watchedCount < free && !pickB &&
        !game.playerA.empty()) {
      pickA = true;
    }
  }
  if (FilteredOut(game, state) || (!pickA && !pickB)) {
    return;
  }
  const std::string& player = pickA ? game.playerA : game.playerB;
  const std::string command = "observe " + player + "\n";
  SendText(writePipe, kCommandKind, command.c_str());  // a lost command is dropped at the reset
  ClaimBoard(state);
}

void UpdateWatchedGames(std::int32_t game, char relation, WatchState& state) {
  if (relation == 'O') {
    ++state.watchedCount;
    state.watchedGames.push_back(game);
    return;
  }
  const auto it = std::find(state.watchedGames.begin(), state.watchedGames.end(), game);
  if (it == state.watchedGames.end()) {
    return;
  }
  --state.watchedCount;
  // A board the program never claimed (one the user opened by hand) must not free a claim:
  // claimedBoards below watchedCount would let the next notifications pass the limit.
  state.claimedBoards = std::max(state.claimedBoards - 1, state.watchedCount);
  state.RemoveWatchedAt(static_cast<int>(it - state.watchedGames.begin()));
}

}  // namespace

void HandleArgumentMessage(const HostMessage& message, CIpcPipe& writePipe, WatchState& state) {
  if (message.ArgCount() <= 0) {
    return;
  }
  const std::string& line = message.Arg(0);
  if (message.Type() == kIdentityType && !line.empty()) {
    state.SetMyName(line);
  }
  if (const auto game = ParseGameNotification(line)) {
    DecideObservation(*game, writePipe, state);
  }
  if (message.Type() == kRelationType) {
    const std::int32_t gameNumber = line.empty() ? -1 : LeadingDecimal(line);
    const std::string& relation = message.Arg(1);
    if (!relation.empty() && (relation[0] == 'O' || relation[0] == 'X')) {
      UpdateWatchedGames(gameNumber, relation[0], state);
    }
  }
}
