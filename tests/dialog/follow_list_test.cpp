// The follow list's rules and commands, without a window: what each click does to the list,
// what it sends, and what the list view is told.
#include "dialog/follow_list.h"

#include <gtest/gtest.h>

#include "dialog/command_writer.h"
#include "tests/support/loopback.h"

namespace {

using Commands = std::vector<std::string>;
using Op = dialog::RowEdit::Op;

struct FollowListTest : testing::Test {
  WatchState state;
  Commands sent;
  bool writable = true;
  dialog::FollowList list{state, [this](std::string_view command) {
                            if (writable) {
                              sent.emplace_back(command);
                            }
                            return writable;
                          }};

  void AddThree() {
    for (const char* name : {"one", "two", "three"}) {
      list.Add(name);
    }
    sent.clear();
  }
  Commands Sent() { return std::exchange(sent, {}); }
};

TEST_F(FollowListTest, AddStoresValidNamesLowerCasedAndSendsOnlyNewOnes) {
  const std::pair<Commands, Commands> cases[] = {
      {{"", "A", "abcdefghijklmnop"}, {}},
      {{"ABCDEFGHIJKLMNO"}, {"abcdefghijklmno"}},
      {{"\xC3\x84\xC3\x89-Zz9_"}, {"\xC3\x84\xC3\x89-zz9_"}},  // only A-Z lowered
      // Regression: the line break that Enter leaves in the name box cost the name.
      {{" a b ", "Kw\r\n", "\n beta \n"}, {"a b", "kw", "beta"}},
      {{" \r\n ", " x\n"}, {}},  // nothing, or one byte, between the blanks
      // Regression: a line break reached the server inside the command, ending it early and
      // making the rest a command of its own.
      {{"ab\ncd", "xy\rz", "ab\x7F", "a\tb", "\tab", std::string("ab\0cd", 5)}, {}},
      {{"alpha", "ALPHA"}, {"alpha"}},
  };
  for (const auto& [typed, listed] : cases) {
    state = WatchState();
    Commands expected;
    for (const std::string& name : typed) {
      list.Add(name);
    }
    for (const std::string& name : listed) {
      expected.push_back("+gnotify " + name + "\n");
    }
    EXPECT_EQ(state.followList, listed) << testing::PrintToString(typed);
    EXPECT_EQ(Sent(), expected);
  }
  EXPECT_EQ(list.Add("Al"), (dialog::RowEdit{Op::Append, 1, "al"}));
}

TEST_F(FollowListTest, RemoveTakesTheTypedNameElseTheSelectedRow) {
  const struct {
    const char* name;
    int selected;  // -1: none
    const char* typed;
    bool sendRemove;
    Commands listed;
    int row;  // the row deleted, -1: none
  } cases[] = {
      {"selected row", 1, "", false, {"one", "three"}, 1},
      {"typed name keeps the order", -1, "Two\r\n", false, {"one", "three"}, 1},
      {"one byte beside a selection", 2, "x", true, {"one", "two"}, 2},
      {"typed name beside another row", 0, "THREE", true, {"one", "two"}, 2},
      {"typed name not followed", 0, "nobody", true, {"one", "two", "three"}, -1},
      {"nothing typed nor selected", -1, "", true, {"one", "two", "three"}, -1},
      {"selection past the rows", 3, "", true, {"one", "two", "three"}, -1},
  };
  for (const auto& c : cases) {
    state.ClearFollowList();
    AddThree();
    const dialog::RowEdit edit = list.Remove(c.typed, c.selected, c.sendRemove);
    EXPECT_EQ(state.followList, c.listed) << c.name;
    EXPECT_EQ(edit, (dialog::RowEdit{c.row < 0 ? Op::None : Op::Delete, c.row, {}})) << c.name;
    const bool removedThree = c.row == 2 && c.sendRemove;
    EXPECT_EQ(Sent(), removedThree ? Commands{"-gnotify three\n"} : Commands()) << c.name;
  }
}

TEST_F(FollowListTest, ClearAllSendsARemoveForEachNameInListOrder) {
  AddThree();
  EXPECT_EQ(list.ClearAll().op, Op::DeleteAll);
  EXPECT_TRUE(state.followList.empty());
  EXPECT_EQ(Sent(), Commands({"-gnotify one\n", "-gnotify two\n", "-gnotify three\n"}));
  EXPECT_EQ(list.ClearAll().op, Op::None);
  EXPECT_EQ(Sent(), Commands());
}

// Regression: a command that found no write end was lost, so the server never notified the
// games of a name added before the host attached. Once the end opens, only what the server's
// list lacks is sent, and only once.
TEST_F(FollowListTest, UnwrittenCommandsAreSentOnceTheEndOpens) {
  AddThree();
  writable = false;
  list.Add("four");
  list.Add("five");
  list.Remove("five", -1, true);  // never on the server's list
  list.Remove("two", -1, true);
  list.Remove("three", -1, false);
  list.Remove("one", -1, true);
  list.Add("one");  // still on the server's list
  EXPECT_EQ(state.followList, Commands({"four", "one"}));
  list.SendUnwritten();
  writable = true;
  list.SendUnwritten();
  EXPECT_EQ(Sent(), Commands({"+gnotify four\n", "-gnotify two\n"}));
  list.SendUnwritten();
  EXPECT_EQ(Sent(), Commands());
}

TEST(CommandWriterTest, OnlyAnOpenEndTakesACommand) {
  hostside::Loopback link;
  ASSERT_TRUE(link.Opened());
  CIpcPipe unopened;
  EXPECT_FALSE(dialog::WriteCommand(nullptr, "+gnotify al\n"));
  EXPECT_FALSE(dialog::WriteCommand(&unopened, "+gnotify al\n"));
  EXPECT_TRUE(dialog::WriteCommand(&link.writePipe, "+gnotify al\n"));
  EXPECT_EQ(link.TakeCommands(), Commands({"+gnotify al\n"}));
}

// The names read from the server's list get rows after the user's; the server has them, so
// only their removal is sent.
TEST_F(FollowListTest, ServerNamesBecomeRowsAndAreRemovedAsAnyOther) {
  list.Add("carol");
  state.AddFollowName("bobby");
  state.AddFollowName("eve");
  state.serverNamesAdded = {"bobby", "eve"};
  const std::vector<dialog::RowEdit> rows = list.TakeServerNames();
  EXPECT_EQ(rows, (std::vector<dialog::RowEdit>{{Op::Append, 1, "bobby"}, {Op::Append, 2, "eve"}}));
  EXPECT_TRUE(state.serverNamesAdded.empty());
  EXPECT_TRUE(list.TakeServerNames().empty());
  EXPECT_EQ(Sent(), Commands{"+gnotify carol\n"});
  list.Remove("", 1, true);
  EXPECT_EQ(Sent(), Commands{"-gnotify bobby\n"});
}

}  // namespace
