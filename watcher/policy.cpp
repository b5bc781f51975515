#include "watcher/policy.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "hostlink/host_session.h"
#include "watcher/game_lines.h"
#include "watcher/game_notification.h"
#include "watcher/server_follow_list.h"

namespace {

constexpr double kStandardEtime = 15;
// Near the limit a claim keeps the next reset one more second away, so that unconfirmed
// boards are not given up while the host is still opening them.
constexpr int kClaimHoldMargin = 2;

// The option that rules the game out whoever plays in it, or None. The filters are
// independent; when several hold, the first here is named.
Decision::Reason FilterReason(const GameNotification& game, const WatchState& state) {
  using enum Decision::Reason;
  const double etime = game.Etime();
  if (state.watchNone) {
    return WatchingNone;
  }
  if (etime < state.minEtime) {
    return ShortEtime;
  }
  if (state.myEtimeOnly && etime != state.minEtime) {
    return OtherEtime;
  }
  if (game.incrementSeconds > 0 && state.noIncrement) {
    return Increment;
  }
  if (etime >= kStandardEtime && !state.allowStandard) {
    return Standard;
  }
  if (game.unrated && !state.allowUnrated) {
    return Unrated;
  }
  return game.wild && !state.allowWild ? Wild : None;
}

void ClaimBoard(WatchState& state) {
  ++state.claimedBoards;
  if (state.claimedBoards >= state.maxGameWindows - kClaimHoldMargin) {
    ++state.claimSecond;
  }
}

Decision DecideObservation(const GameNotification& game, std::int32_t gameNumber,
                           CIpcPipe& writePipe, WatchState& state) {
  bool pickA = state.IsFollowed(game.playerA);
  const bool pickB = state.IsFollowed(game.playerB);
  // A skip names the player that a board would have shown.
  Decision decision{Decision::Kind::Skipped, Decision::Reason::None,
                    pickA || !pickB ? game.playerA : game.playerB, gameNumber};
  if (state.claimedBoards >= state.maxGameWindows || state.watchedCount >= state.maxGameWindows) {
    decision.reason = Decision::Reason::BoardLimit;
    return decision;
  }
  if (state.allNotifyMode) {
    // Unfollowed games may use only the boards beyond those reserved for followed players.
    const std::int32_t free = state.maxGameWindows - state.reservedBoards;
    // An empty name (two blanks in a row) is no player to observe.
    if (state.claimedBoards < free && state.watchedCount < free && !pickB &&
        !game.playerA.empty()) {
      pickA = true;
    }
  }
  if (const Decision::Reason filter = FilterReason(game, state); filter != Decision::Reason::None) {
    decision.reason = filter;
    return decision;
  }
  if (!pickA && !pickB) {
    // In the all-notifications mode only a full share of free boards leaves a named player out.
    decision.reason = state.allNotifyMode && !game.playerA.empty()
                          ? Decision::Reason::ReservedBoards
                          : Decision::Reason::NotFollowed;
    return decision;
  }
  const std::string& player = pickA ? game.playerA : game.playerB;
  const std::string command = "observe " + player + "\n";
  SendText(writePipe, kCommandKind, command.c_str());  // a lost command is dropped at the reset
  ClaimBoard(state);
  return {Decision::Kind::Observed, Decision::Reason::None, player, gameNumber};
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
    state.lastDecision = DecideObservation(*game, game->game.value_or(-1), writePipe, state);
  }
  // The user's own game: the host may keep notifications back until it ends (the relay does),
  // and the window says so.
  if (const auto game = ParseGameLine(line);
      game && game->started && !state.myName.empty() &&
      (SameName(game->playerA, state.myName) || SameName(game->playerB, state.myName))) {
    state.lastDecision = Decision{Decision::Kind::Paused, Decision::Reason::None, "", game->game};
  }
  // The identity's name and a relation's game number are no server text.
  if (message.Type() != kIdentityType && message.Type() != kRelationType) {
    ReadServerFollowList(line, state);
  }
  if (message.Type() == kRelationType) {
    const std::int32_t gameNumber = line.empty() ? -1 : LeadingDecimal(line);
    const std::string& relation = message.Arg(1);
    if (!relation.empty() && (relation[0] == 'O' || relation[0] == 'X')) {
      UpdateWatchedGames(gameNumber, relation[0], state);
    }
  }
}
