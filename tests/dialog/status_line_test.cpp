// The status line's texts: what the window says before and after the host attaches, and how a
// decision reads.
#include "dialog/status_line.h"

#include <gtest/gtest.h>

namespace {

TEST(StatusLineTest, WaitsThenCountsBoardsAndANoteStandsInUntilItExpires) {
  WatchState state;
  dialog::StatusLine status;
  EXPECT_EQ(status.Text(state, false), "Waiting for the chess client (see vantor1 --help)");
  EXPECT_EQ(status.Text(state, true), "0 of 2 boards");
  state.SetMyName("Tester");
  state.watchedCount = 1;
  state.maxGameWindows = 32;
  EXPECT_EQ(status.Text(state, true), "Tester \u00B7 1 of 32 boards");
  status.ShowNote("follow list: 3 names from the server");
  EXPECT_EQ(status.Text(state, true), "follow list: 3 names from the server");
  status.NoteExpired();
  EXPECT_EQ(status.Text(state, true), "Tester \u00B7 1 of 32 boards");
}

TEST(StatusLineTest, DecisionsReadWithTheirPlayerGameAndReason) {
  using K = Decision::Kind;
  using enum Decision::Reason;
  const std::pair<Decision, std::string> cases[] = {
      {{K::Observed, None, "alpha", 42}, "observing alpha (game 42)"},
      {{K::Observed, None, "alpha", -1}, "observing alpha"},
      {{K::Skipped, BoardLimit, "beta", 7}, "skipped beta: board limit"},
      {{K::Skipped, ReservedBoards, "", 7}, "skipped a game: boards kept for the follow list"},
      {{K::Paused, None, "", -1}, "paused: your own game"},
      // A peer's name is cut before a character it would split, and a control byte cannot
      // break the line.
      {{K::Skipped, Wild, std::string(23, 'x') + "\xC3\xA9z", 1},
       "skipped " + std::string(23, 'x') + "...: no wild"},
      {{K::Skipped, Unrated, "a\nb\x7F", 1}, "skipped a?b?: no unrated"},
  };
  for (const auto& [decision, text] : cases) {
    EXPECT_EQ(dialog::DecisionText(decision), text);
  }
}

TEST(StatusLineTest, ADrainLeavesTheListsCountBeforeADecision) {
  WatchState state;
  EXPECT_EQ(dialog::TakeDrainNote(state), std::nullopt);
  state.lastDecision = Decision{Decision::Kind::Observed, Decision::Reason::None, "alpha", 4};
  state.serverListAdded = 3;
  EXPECT_EQ(dialog::TakeDrainNote(state), "follow list: 3 names from the server");
  EXPECT_EQ(dialog::TakeDrainNote(state), std::nullopt);  // both taken
  state.serverListAdded = 1;
  EXPECT_EQ(dialog::TakeDrainNote(state), "follow list: 1 name from the server");
}

}  // namespace
