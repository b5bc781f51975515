// The follow list read back from the server: the reader on the server's answers to "=gnotify"
// as hosts hand them over, and the request and the names' way into the follow list.
#include "watcher/server_follow_list.h"

#include <gtest/gtest.h>

#include "tests/support/loopback.h"
#include "watcher/policy.h"

namespace {

using Names = std::vector<std::string>;

struct ReaderCase {
  const char* what;
  bool asked;
  Names lines;
  Names names;               // the names that joined, in order
  std::optional<int> ended;  // what the last line that ended the answer gave
};

// The real server's answer with 30 names, row by row.
const Names kThirtyRows = {
    "Alpha            Fredericksonabc  Mike             Uniform        ",
    "Bravo            Golf             November         Victor         ",
    "Carol            Hotel            Oscar            Whiskey        ",
    "Charlie          India            Papa             Xray           ",
    "Delta            Juliet           Quebec           Yankee         ",
    "Echo             Kilo             Romeo            Zulu           ",
    "Eve              Lima             Sierra           ",
    "Foxtrot          Maximilianusxyz  Tango            ",
};

Names Thirty() {
  Names lines{"fics% -- gnotify list: 30 names --"};
  lines.insert(lines.end(), kThirtyRows.begin(), kThirtyRows.end());
  lines.push_back("Extra");  // after the count: not read
  return lines;
}

const Names kThirtyNames = {"alpha",
                            "fredericksonabc",
                            "mike",
                            "uniform",
                            "bravo",
                            "golf",
                            "november",
                            "victor",
                            "carol",
                            "hotel",
                            "oscar",
                            "whiskey",
                            "charlie",
                            "india",
                            "papa",
                            "xray",
                            "delta",
                            "juliet",
                            "quebec",
                            "yankee",
                            "echo",
                            "kilo",
                            "romeo",
                            "zulu",
                            "eve",
                            "lima",
                            "sierra",
                            "foxtrot",
                            "maximilianusxyz",
                            "tango"};

TEST(GnotifyListReaderTest, ReadsTheAnswerToItsOwnRequestUpToItsCount) {
  const std::string stray = "fics% ";
  const ReaderCase cases[] = {
      {"no names", true, {"-- gnotify list: 0 names --", "Bobby  "}, {}, 0},
      {"one name behind a timed prompt",
       true,
       {"12:34_fics% -- gnotify list: 1 names --", "Bobby  "},
       {"bobby"},
       1},
      {"thirty names on eight rows", true, Thirty(), kThirtyNames, 30},
      {"a row's rest behind the wrap mark of a host that does not join lines",
       true,
       {"-- gnotify list: 3 names --", "Bobby            Fredericksonabc", "\\   Maximilianusxyz"},
       {"bobby", "fredericksonabc", "maximilianusxyz"},
       3},
      {"an announcement and a tell between the rows",
       true,
       {"-- gnotify list: 2 names --", "Bobby  ",
        "fics% Game notification: Carol (1842) vs. Bobby (1598) unrated blitz 5 0",
        "Dave tells you: hi there", "Carol  "},
       {"bobby", "carol"},
       2},
      {"bad names skipped, then too many stray lines end it",
       true,
       {"-- gnotify list: 4 names --",
        "Bo\x01"
        "b  X  Sixteenbyteslong  Carol  Dave",
        stray, stray, stray, stray, stray, stray, stray, stray, "Eve"},
       {"carol", "dave"},
       2},
      {"a line end left on",
       true,
       {"-- gnotify list: 2 names --\r", "Bobby  Carol\r"},
       {"bobby", "carol"},
       2},
      {"more names than the count",
       true,
       {"-- gnotify list: 2 names --", "Al  Bo  Cy"},
       {"al", "bo"},
       2},
      {"another header ends the answer",
       true,
       {"-- gnotify list: 3 names --", "Alpha  ", "-- gnotify list: 1 names --", "Bravo  "},
       {"alpha"},
       1},
      {"duplicates join once", true, {"-- gnotify list: 2 names --", "Bobby  bobby"}, {"bobby"}, 1},
      {"a list the user asked for",
       false,
       {"-- gnotify list: 1 names --", "Bobby  "},
       {},
       std::nullopt},
      {"a broken header", true, {"-- gnotify list: x names --", "Bobby  "}, {}, std::nullopt},
  };
  for (const ReaderCase& c : cases) {
    GnotifyListReader reader;
    if (c.asked) {
      reader.Expect();
    }
    Names joined;
    std::optional<int> ended;
    for (const std::string& line : c.lines) {
      if (const auto count = reader.Read(line, [&joined](const std::string& name) {
            if (std::find(joined.begin(), joined.end(), name) != joined.end()) {
              return false;
            }
            joined.push_back(name);
            return true;
          })) {
        EXPECT_FALSE(ended) << c.what << ": ended twice";
        ended = count;
      }
    }
    EXPECT_EQ(joined, c.names) << c.what;
    EXPECT_EQ(ended, c.ended) << c.what;
  }
}

struct ServerFollowListTest : testing::Test {
  void Handle(std::int16_t type, const std::string& arg) {
    HostMessage message;
    message.kind = kArgumentKind;
    const auto head = ArgumentPayload(type, 1, {});
    std::copy(head.begin(), head.end(), message.head.begin());
    message.args = {arg};
    HandleArgumentMessage(message, link.writePipe, state);
  }

  hostside::Loopback link;
  WatchState state;
};

TEST_F(ServerFollowListTest, AskedOncePerAttachAndItsNamesJoinWithoutCommands) {
  ASSERT_TRUE(link.Opened());
  CIpcPipe unopened;
  state.SetMyName("Tester");
  AskForServerFollowList(unopened, state);
  state.myName.clear();
  AskForServerFollowList(link.writePipe, state);
  EXPECT_TRUE(link.TakeCommands().empty()) << "no write end or no login name yet";
  state.SetMyName("Tester");
  AskForServerFollowList(link.writePipe, state);
  AskForServerFollowList(link.writePipe, state);
  EXPECT_EQ(link.TakeCommands(), Names{"=gnotify\n"});

  state.AddFollowName("carol");  // typed before the answer came
  Handle(1, "fics% -- gnotify list: 3 names --");
  Handle(kIdentityType, "Dave");  // a name, but no server text
  Handle(1, "Bobby            Carol            Eve");
  EXPECT_EQ(state.followList, (Names{"carol", "bobby", "eve"}));
  EXPECT_EQ(state.serverNamesAdded, (Names{"bobby", "eve"}));
  EXPECT_EQ(state.serverListAdded, 2);
  EXPECT_TRUE(link.TakeCommands().empty());

  state.serverListAsked = false;  // the write end announced again
  AskForServerFollowList(link.writePipe, state);
  EXPECT_EQ(link.TakeCommands(), Names{"=gnotify\n"});
}

}  // namespace
