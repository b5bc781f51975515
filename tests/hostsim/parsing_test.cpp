// hostsim's command line and script language: what ends up where, and which lines are refused.
#include <gtest/gtest.h>

#include "tools/hostsim/command_line.h"
#include "tools/hostsim/script.h"

namespace hostsim {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, SpawnTakesProgramArgumentsAndTheScriptLastAndBadLinesAreRefused) {
  const ParsedCommandLine parsed =
      ParseCommandLine({"--timeout-ms", "250", "--spawn", "app", "-x", "--y", "s.hsim"});
  ASSERT_FALSE(parsed.error) << *parsed.error;
  EXPECT_EQ(parsed.options.timeoutMs, 250);
  EXPECT_EQ(parsed.options.program, (Args{"app", "-x", "--y"}));
  EXPECT_EQ(parsed.options.scriptPath, "s.hsim");
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

Command One(std::string_view line) {
  ParsedScript script = ParseScript(line);
  EXPECT_FALSE(script.error) << line << ": " << script.error->message;
  return script.commands.empty() ? Command{} : script.commands[0];
}

TEST(Script, TextArgumentsAreTakenExactlyAndEscapesRead) {
  const ParsedScript script = ParseScript("# head\n\n  \t\nsignal\r\n  # indented\nquit # why\n");
  ASSERT_FALSE(script.error);
  ASSERT_EQ(script.commands.size(), 2u);
  EXPECT_EQ(script.commands[1].line, 6);
  EXPECT_EQ(One("line Game  notification:   x  # not a comment").args,
            Args{"Game  notification:   x  # not a comment"});
  EXPECT_EQ(One(R"(args 43 "12" "" "a b" "q\"\n" # comment)").args,
            (Args{"12", "", "a b", "q\"\n"}));
  EXPECT_EQ(One(R"(expect text observe al\x70ha\t\\)").text,
            std::string("observe alpha\t\\\n\0", 17));
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
