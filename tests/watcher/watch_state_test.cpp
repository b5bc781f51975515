#include "watcher/watch_state.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

TEST(WatchStateTest, FreshRecordAllowsEverythingInFollowListMode) {
  const WatchState s;
  EXPECT_TRUE(!s.allNotifyMode && !s.watchNone && !s.titleSet && !s.quitRequested);
  EXPECT_TRUE(s.allowWild && s.allowStandard && s.allowUnrated);
  EXPECT_TRUE(!s.myEtimeOnly && !s.noIncrement);
  EXPECT_EQ(s.maxGameWindows, 2);
  EXPECT_EQ(s.minEtime, 0.0f);
  EXPECT_EQ(s.reservedBoards + s.watchedCount + s.claimedBoards + s.claimSecond, 0);
  EXPECT_TRUE(s.myName.empty() && s.followList.empty() && s.watchedGames.empty());
  EXPECT_EQ(s.followList.capacity(), 0u);
}

TEST(WatchStateTest, FollowListRefusesDuplicatesAndKeepsOrder) {
  WatchState state;
  for (const char* name : {"alpha", "beta", "gamma"}) {
    EXPECT_TRUE(state.AddFollowName(name));
  }
  EXPECT_FALSE(state.AddFollowName("beta"));
  EXPECT_EQ(state.RemoveFollowName("beta"), 1);
  EXPECT_EQ(state.RemoveFollowName("beta"), -1);
  EXPECT_TRUE(state.AddFollowName("delta"));
  EXPECT_EQ(state.followList, (Names{"alpha", "gamma", "delta"}));
  EXPECT_TRUE(state.IsFollowed("gamma"));
  EXPECT_FALSE(state.IsFollowed("Gamma"));  // the caller lower-cases
  EXPECT_FALSE(state.IsFollowed("gamm"));
}

TEST(WatchStateTest, FollowListGrowsByItsCountAndKeepsCapacityWhenEmptied) {
  WatchState state;
  std::vector<std::size_t> capacities;
  for (int i = 0; i < 9; ++i) {
    state.AddFollowName("name" + std::to_string(i));
    capacities.push_back(state.followList.capacity());
  }
  EXPECT_EQ(capacities, (std::vector<std::size_t>{1, 2, 4, 4, 8, 8, 8, 8, 16}));
  state.ClearFollowList();
  EXPECT_TRUE(state.followList.empty());
  EXPECT_EQ(state.followList.capacity(), 16u);
}

TEST(WatchStateTest, RemoveWatchedAtIgnoresIndexesOutsideTheList) {
  WatchState state;
  state.watchedGames = {7, 9, 11};
  for (int index : {5, 3, -1}) {
    state.RemoveWatchedAt(index);
  }
  EXPECT_EQ(state.watchedGames, (std::vector<std::int32_t>{7, 9, 11}));
  state.RemoveWatchedAt(1);
  EXPECT_EQ(state.watchedGames, (std::vector<std::int32_t>{7, 11}));
}

TEST(WatchStateTest, LowerCaseNameChangesOnlyAsciiCapitals) {
  std::string text = "Ab9_Z@[\n\xC4\x80\xFF";
  LowerCaseName(text);
  EXPECT_EQ(text, "ab9_z@[\n\xC4\x80\xFF");
}

// The name used to be copied unbounded into a 52-byte field.
TEST(WatchStateTest, SetMyNameKeepsAtMost51Bytes) {
  WatchState state;
  state.SetMyName(std::string(300, 'n'));
  EXPECT_EQ(state.myName, std::string(51, 'n'));
  state.SetMyName("Kasparov");
  EXPECT_EQ(state.myName, "Kasparov");
}

}  // namespace
