// hostsim's command line and script language: what ends up where, and which lines are refused.
#include <gtest/gtest.h>

#include "tools/hostsim/command_line.h"
#include "tools/hostsim/script.h"

namespace hostsim {
namespace {

using Args = std::vector<std::string>;

// The lines that work are the ones the tests run hostsim with.
TEST(CommandLine, BadLinesAreRefused) {
  const Args refused[] = {{},
                          {"--spawn", "app"},
                          {"--attach", "1", "a", "b"},
                          {"--attach", "0", "s"},
                          {"--attach", "1", "--spawn", "app", "s"},
                          {"--timeout-ms", "soon", "--attach", "1", "s"},
                          {"--index-base", "3", "--attach", "1", "s"},
                          {"--demo", "--attach", "1", "s"},
                          {"--bench", "0"}};
  for (const Args& args : refused) {
    EXPECT_TRUE(ParseCommandLine(args).error) << ::testing::PrintToString(args);
  }
}

// Comments, blank lines and the escapes that no script in tests/e2e uses.
TEST(Script, CommentsAreSkippedAndEscapesRead) {
  const ParsedScript script =
      ParseScript("# head\n\n  \t\nsignal\r\nquit # why\nexpect text a\\x70\\t\\\\\n");
  ASSERT_FALSE(script.error);
  ASSERT_EQ(script.commands.size(), 3u);
  EXPECT_EQ(script.commands[1].line, 5);
  EXPECT_EQ(script.commands[2].text, std::string("ap\t\\\n\0", 6));
}

int ErrorLine(const std::string& source) {
  const ParsedScript script = ParseScript(source);
  return script.error ? script.error->line : 0;
}

TEST(Script, BadLinesAreRefusedNamingTheirLine) {
  EXPECT_EQ(ErrorLine("signal\nfrobnicate\n"), 2);
  for (const char* line :
       {"announce sideways", "announce read 1", "announce-missing 3", "value 70000 1", "raw 0",
        "raw zz", "args 1 \"open", "args 1 bare", "expect text \\q", "expect text \\777",
        "expect exit 256", "signal now", "relation 12", "auto maybe"}) {
    EXPECT_EQ(ErrorLine(line), 1) << line;
  }
  EXPECT_EQ(ErrorLine("data 2 " + std::string(40000, 'x')), 1);
}

}  // namespace
}  // namespace hostsim
