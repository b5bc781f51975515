#include "watcher/watch_state.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

// Names keep their order and duplicates are refused.
TEST(WatchStateTest, FollowListRefusesDuplicatesAndKeepsOrder) {
  WatchState state;
  for (const char* name : {"alpha", "beta", "gamma"}) {
    EXPECT_TRUE(state.AddFollowName(name));
  }
  EXPECT_FALSE(state.AddFollowName("beta"));
  EXPECT_EQ(state.RemoveFollowName("beta"), 1);
  EXPECT_EQ(state.RemoveFollowName("beta"), -1);
  EXPECT_EQ(state.followList, (Names{"alpha", "gamma"}));
  EXPECT_TRUE(state.IsFollowed("gamma"));
  EXPECT_FALSE(state.IsFollowed("Gamma"));  // the caller lower-cases
  EXPECT_FALSE(state.IsFollowed("gamm"));
  state.ClearFollowList();
  EXPECT_TRUE(state.followList.empty());
}

TEST(WatchStateTest, RemoveWatchedAtIgnoresIndexesOutsideTheList) {
  WatchState state;
  state.watchedGames = {7, 9, 11};
  for (int index : {5, 3, -1, 1}) {
    state.RemoveWatchedAt(index);
  }
  EXPECT_EQ(state.watchedGames, (std::vector<std::int32_t>{7, 11}));
}

// The name used to be copied unbounded into a 52-byte field; names compare in lower case.
TEST(WatchStateTest,
     SetMyNameKeepsAtMost51BytesWholeCharactersAndLowerCaseChangesOnlyAsciiCapitals) {
  WatchState state;
  state.SetMyName(std::string(300, 'n'));
  EXPECT_EQ(state.myName, std::string(51, 'n'));
  const std::string fifty(50, 'n');
  state.SetMyName(fifty + "\xC3\xA9xyz");  // UTF-8: the character that does not fit goes whole
  EXPECT_EQ(state.myName, fifty);
  state.SetMyName(fifty + "\xE9\xE9xyz");  // Latin-1: a byte is a character
  EXPECT_EQ(state.myName, fifty + "\xE9");
  std::string text = "Ab9_Z@[\n\xC4\x80\xFF";
  LowerCaseName(text);
  EXPECT_EQ(text, "ab9_z@[\n\xC4\x80\xFF");
}

}  // namespace
