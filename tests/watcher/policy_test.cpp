#include "watcher/policy.h"

#include <gtest/gtest.h>

#include "tests/support/loopback.h"
#include "watcher/calendar_clock.h"
#include "watcher/game_notification.h"

namespace {

using Texts = std::vector<std::string>;
const Texts kObserveAlpha = {"observe alpha\n"};

// A game notification line with 12 spaces, as the server writes it.
std::string Line(const std::string& a, const std::string& b, const std::string& rating = "rated",
                 const std::string& variant = "blitz", const std::string& initial = "5",
                 const std::string& increment = "0:") {
  return "Game notification: " + a + " (1800) vs. " + b + " (1700) " + rating + " " + variant +
         " " + initial + " " + increment + " Game 123";
}

// Follow list [alpha], two boards, every filter allowing, mode "follow list".
class PolicyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(link.Opened());
    state.AddFollowName("alpha");
  }
  void TearDown() override { SetCalendarClockForTesting(nullptr); }

  void Handle(std::int16_t type, const Texts& args, CIpcPipe* pipe = nullptr) {
    HostMessage message;
    message.kind = kArgumentKind;
    const auto head = ArgumentPayload(type, static_cast<int>(args.size()), {});
    std::copy(head.begin(), head.end(), message.head.begin());
    message.args = args;
    HandleArgumentMessage(message, pipe ? *pipe : link.writePipe, state);
  }
  void Notify(const std::string& line) { Handle(1, {line}); }

  hostside::Loopback link;
  WatchState state;
};

TEST_F(PolicyTest, FollowedPlayerIsObservedOtherLinesIgnored) {
  Notify(Line("Alpha", "beta"));
  EXPECT_EQ(link.TakeCommands(), kObserveAlpha);
  Notify(Line("beta", "ALPHA"));
  EXPECT_EQ(link.TakeCommands(), kObserveAlpha);
  state.AddFollowName("beta");
  state.claimedBoards = 0;
  Notify(Line("beta", "alpha"));  // both followed: player A
  EXPECT_EQ(link.TakeCommands(), Texts{"observe beta\n"});
  Notify(Line("gamma", "delta"));
  Notify(Line("alpha", "b") + " ");
  Notify(Line("alpha", "b").replace(5, 1, "N"));
  Notify("Game notification: alpha vs. b");
  EXPECT_TRUE(link.TakeCommands().empty());
}

TEST_F(PolicyTest, AllNotificationsModeKeepsTheReservedBoardsForFollowedPlayers) {
  state.allNotifyMode = true;
  Notify(Line("", "beta"));  // an empty player A is nobody to observe
  Notify(Line("Gamma", "beta"));
  EXPECT_EQ(link.TakeCommands(), Texts{"observe gamma\n"});
  Notify(Line("gamma", "alpha"));  // a followed player B keeps the board
  EXPECT_EQ(link.TakeCommands(), kObserveAlpha);
  state.claimedBoards = 0;
  state.reservedBoards = 2;
  Notify(Line("gamma", "beta"));
  EXPECT_TRUE(link.TakeCommands().empty());
  Notify(Line("gamma", "alpha"));
  EXPECT_EQ(link.TakeCommands(), kObserveAlpha);
  state.maxGameWindows = 3;
  state.reservedBoards = 1;
  state.claimedBoards = 1;
  Notify(Line("gamma", "beta"));
  EXPECT_EQ(link.TakeCommands(), Texts{"observe gamma\n"});
  Notify(Line("delta", "beta"));  // 2 of 3 claimed, one reserved
  EXPECT_TRUE(link.TakeCommands().empty());
}

TEST_F(PolicyTest, EachFilterSuppressesTheCommandOnlyWhenOn) {
  struct Filter {
    bool WatchState::*option;
    bool on;
    std::string line;
    bool suppressed = true;
  };
  const std::vector<Filter> filters = {
      {&WatchState::allowUnrated, false, Line("alpha", "b", "Unrated")},
      {&WatchState::allowWild, false, Line("alpha", "b", "rated", "WILD/5")},
      {&WatchState::noIncrement, true, Line("alpha", "b", "r", "blitz", "5", "2")},
      {&WatchState::watchNone, true, Line("alpha", "b")},
      {&WatchState::myEtimeOnly, true, Line("alpha", "b")},  // etime 5, minEtime 0
      {&WatchState::allowStandard, false, Line("alpha", "b", "r", "s", "14", "2")},
      {&WatchState::allowUnrated, false, Line("alpha", "b", "unra", "blitz"), false},
      {&WatchState::allowWild, false, Line("alpha", "b", "r", "wil"), false},
  };
  const WatchState allowing = state;
  for (const Filter& filter : filters) {
    SCOPED_TRACE(filter.line);
    state = allowing;
    Notify(filter.line);
    EXPECT_EQ(link.TakeCommands(), kObserveAlpha);
    state = allowing;
    state.*filter.option = filter.on;
    Notify(filter.line);
    EXPECT_EQ(link.TakeCommands(), filter.suppressed ? Texts{} : kObserveAlpha);
  }
}

// The one grammar of announcements, in both shapes that servers send, beside lines that only
// look like them.
TEST(GameNotificationGrammar, bothServerShapesAreReadAndLookalikesAreNot) {
  struct Case {
    std::string line;
    bool read;
    std::optional<std::int32_t> game;
  } cases[] = {
      {"Game notification: Bobby (1500E) vs. Carol (----) unrated wild/5 2 12: Game 7", true, 7},
      {"Game notification: Bobby (++++) vs. Carol (1500P) rated blitz 5 0", true, std::nullopt},
      {"Game notification: Bobby (1500) vs. Carol (1500) rated blitz 5 0 : 12", true, 12},
      {"Game notification: Bobby (1500) vs. Carol (1500) rated blitz 5", false, std::nullopt},
      {"Bobby notification: x (1500) vs. Carol (1500) rated blitz 5 0", false, std::nullopt},
      {"Game notification: Bobby (1500) vs Carol (1500) rated blitz 5 0", false, std::nullopt},
      {"Game Notification: Bobby (1500) vs. Carol (1500) rated blitz 5 0: Game 7", false,
       std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<GameNotification> game = ParseGameNotification(c.line);
    ASSERT_EQ(game.has_value(), c.read) << c.line;
    if (game) {
      EXPECT_EQ(game->playerA, "bobby");
      EXPECT_EQ(game->playerB, "carol");
      EXPECT_EQ(game->game, c.game) << c.line;
    }
  }
  const auto wild = ParseGameNotification(cases[0].line);
  EXPECT_TRUE(wild->wild && wild->unrated);
  EXPECT_EQ(wild->Etime(), 10);
}

// The window shows the last decision; each case starts from the fixture's state.
TEST_F(PolicyTest, EachNotificationRecordsItsDecisionWithTheReason) {
  using enum Decision::Reason;
  using K = Decision::Kind;
  std::string noNumber = Line("alpha", "b");
  noNumber.replace(noNumber.rfind(' ') + 1, std::string::npos, "x");
  const struct {
    const char* what;
    void (*set)(WatchState&);
    std::string line;
    Decision decision;
  } cases[] = {
      {"observed", [](WatchState&) {}, Line("beta", "Alpha"), {K::Observed, None, "alpha", 123}},
      {"limit",
       [](WatchState& s) { s.claimedBoards = 2; },
       Line("beta", "alpha"),
       {K::Skipped, BoardLimit, "alpha", 123}},
      {"not followed",
       [](WatchState&) {},
       Line("beta", "gamma"),
       {K::Skipped, NotFollowed, "beta", 123}},
      {"reserved",
       [](WatchState& s) {
         s.allNotifyMode = true;
         s.reservedBoards = 2;
       },
       Line("beta", "gamma"),
       {K::Skipped, ReservedBoards, "beta", 123}},
      {"mode none",
       [](WatchState& s) { s.watchNone = true; },
       Line("alpha", "b"),
       {K::Skipped, WatchingNone, "alpha", 123}},
      {"short",
       [](WatchState& s) { s.minEtime = 6; },
       Line("alpha", "b"),
       {K::Skipped, ShortEtime, "alpha", 123}},
      {"wild",
       [](WatchState& s) { s.allowWild = false; },
       Line("alpha", "b", "rated", "wild/5"),
       {K::Skipped, Wild, "alpha", 123}},
      {"own game",
       [](WatchState& s) { s.SetMyName("Me"); },
       "{Game 7 (opp vs. ME) Creating unrated blitz match.}",
       {K::Paused, None, "", 7}},
      {"no game number", [](WatchState&) {}, noNumber, {K::Observed, None, "alpha", -1}},
  };
  for (const auto& c : cases) {
    state = WatchState();
    state.AddFollowName("alpha");
    c.set(state);
    Notify(c.line);
    EXPECT_EQ(state.lastDecision, c.decision) << c.what;
  }
  Handle(kIdentityType, {"me"});
  EXPECT_EQ(state.lastDecision, cases[std::size(cases) - 1].decision) << "not a notification";
}

TEST_F(PolicyTest, EtimeUsesTheSinglePrecisionTwoThirdsAndTruncates) {
  auto etime = [](const char* initial, const char* increment) {
    return ParseGameNotification(Line("a", "b", "r", "v", initial, increment))->Etime();
  };
  EXPECT_EQ(etime("5", "3"), 7);  // exact 2/3 from below would give 6
  EXPECT_EQ(etime("14", "2"), 15);
  EXPECT_EQ(etime("14", "1"), 14);
  EXPECT_EQ(etime("0", "-2"), -1);
  EXPECT_EQ(etime("99999999999", "99999999999"), 3579139454.0);  // saturated, no overflow
  state.minEtime = 6;
  Notify(Line("alpha", "b"));
  EXPECT_TRUE(link.TakeCommands().empty());
  state.myEtimeOnly = true;
  state.minEtime = 7;
  state.maxGameWindows = 10;
  for (const char* initial : {"5", "8", "7"}) {
    Notify(Line("alpha", "b", "r", "v", initial, initial[0] == '5' ? "3" : "0"));
  }
  EXPECT_EQ(link.TakeCommands(), (Texts{"observe alpha\n", "observe alpha\n"}));
}

// Claimed and watched boards both count; a failed send still takes its claim.
TEST_F(PolicyTest, BoardLimitStopsEvenFollowedPlayers) {
  state.claimedBoards = 2;
  Notify(Line("alpha", "b"));
  state.claimedBoards = 0;
  state.watchedCount = 2;
  Notify(Line("alpha", "b"));
  EXPECT_TRUE(link.TakeCommands().empty());
  state.watchedCount = 0;
  CIpcPipe unopened;
  Handle(1, {Line("alpha", "b")}, &unopened);
  EXPECT_EQ(state.claimedBoards, 1);
  // A board opened and closed by hand frees no claim: an 'X' used to drive claimedBoards
  // below watchedCount, and a third board was observed.
  state.claimedBoards = 0;
  Handle(43, {"50", "O"});
  Handle(43, {"50", "X"});
  for (int i = 0; i < 4; ++i) {
    Notify(Line("alpha", "b"));
  }
  EXPECT_EQ(link.TakeCommands().size(), 2u);
}

// The command used to be composed in 28 bytes and tokens in 500, overflowing on long names.
TEST_F(PolicyTest, LongNamesAndTokensAreHandledWhole) {
  state.allNotifyMode = true;
  const std::string name(600, 'q');
  Notify(Line(name, "b", std::string(700, 'r')));
  EXPECT_EQ(link.TakeCommands(), Texts{"observe " + name + "\n"});
}

// A claim second kept in 32 bits wrapped negative past 2038 and reset the claims at every
// message, so one second's notifications opened more boards than the limit.
TEST_F(PolicyTest, ClaimsWithinOneSecondStopAtTheLimitUntilTheHeldSecondPasses) {
  std::int64_t now = 0;
  SetCalendarClockForTesting([&now] { return now; });
  state.maxGameWindows = 4;
  auto deliver = [this](int count) {
    for (int i = 0; i < count; ++i) {
      ASSERT_TRUE(link.Put(FrameArguments(1, {Line("alpha", "b")})));
      ReleaseHostMessage(ReadHostMessage(link.readPipe, link.writePipe, state));
    }
  };
  for (const std::int64_t start : {std::int64_t{100}, std::int64_t{1} << 31}) {
    SCOPED_TRACE(start);
    now = start;
    deliver(5);
    EXPECT_EQ(link.TakeCommands().size(),
              4u);  // claims 2, 3 and 4 each held the reset a second longer
    now = start + 3;
    deliver(1);
    EXPECT_TRUE(link.TakeCommands().empty());
    now = start + 4;  // the unconfirmed claims lapse
    deliver(1);
    EXPECT_EQ(link.TakeCommands(), kObserveAlpha);
  }
}

}  // namespace
