// The answers hostsim gives as server and host, and its board count.
#include <gtest/gtest.h>

#include "tools/hostsim/server_model.h"

namespace hostsim {
namespace {

using namespace std::string_literals;

TEST(ServerModel, ObserveOpensThenClosesTheNewestGameOfThePlayer) {
  ServerModel model;
  model.Announce({7, "alpha", "beta"});
  model.Announce({9, "gamma", "alpha"});
  auto answer = model.Command("observe Alpha\n\0"s);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->game, 9);
  EXPECT_EQ(answer->letter, 'O');
  model.Reported(*answer);
  EXPECT_EQ(model.OpenBoards(), 1u);
  // A second observe of the same game leaves it.
  answer = model.Command("observe gamma\n\0"s);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->letter, 'X');
  model.Reported(*answer);
  EXPECT_EQ(model.OpenBoards(), 0u);
}

TEST(ServerModel, NoAnswerForStrangersOtherCommandsOrEndedGames) {
  ServerModel model;
  model.Announce({7, "alpha", "beta"});
  EXPECT_FALSE(model.Command("observe nobody\n\0"s));
  EXPECT_FALSE(model.Command("observe \n\0"s));
  EXPECT_FALSE(model.Command("finger alpha\n\0"s));
  model.Reported({7, 'O'});
  model.EndGame(7);
  EXPECT_EQ(model.OpenBoards(), 0u);
  EXPECT_FALSE(model.Command("observe alpha\n\0"s));
}

TEST(ServerModel, BoardsCountGamesNotRelations) {
  ServerModel model;
  model.Reported({12, 'O'});
  model.Reported({12, 'O'});
  model.Reported({13, 'O'});
  model.Reported({99, 'X'});
  model.Reported({13, 'Q'});
  EXPECT_EQ(model.OpenBoards(), 2u);
  model.Reported({12, 'X'});
  EXPECT_EQ(model.OpenBoards(), 1u);
}

TEST(ServerModel, GnotifyCommandsKeepTheNotificationList) {
  ServerModel model;
  EXPECT_FALSE(model.Command("+gnotify Alpha\n\0"s));
  model.Command("+gnotify alpha\n\0"s);
  model.Command("+gnotify beta\n\0"s);
  EXPECT_EQ(model.NotifyList(), (std::vector<std::string>{"alpha", "beta"}));
  model.Command("-gnotify ALPHA\n\0"s);
  model.Command("-gnotify nobody\n\0"s);
  EXPECT_EQ(model.NotifyList(), (std::vector<std::string>{"beta"}));
}

}  // namespace
}  // namespace hostsim
