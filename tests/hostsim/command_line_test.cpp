// hostsim's command line: where the program, its arguments and the script end up.
#include <gtest/gtest.h>

#include "tools/hostsim/command_line.h"

namespace hostsim {
namespace {

using Args = std::vector<std::string>;

Options Parsed(const Args& args) {
  const ParsedCommandLine parsed = ParseCommandLine(args);
  EXPECT_FALSE(parsed.error) << *parsed.error;
  return parsed.options;
}

bool Refused(const Args& args) {
  return ParseCommandLine(args).error.has_value();
}

TEST(CommandLine, SpawnTakesProgramArgumentsAndTheScriptLast) {
  const Options o = Parsed({"--timeout-ms", "250", "--spawn", "app", "-x", "--y", "s.hsim"});
  EXPECT_EQ(o.mode, Mode::Script);
  EXPECT_EQ(o.timeoutMs, 250);
  EXPECT_EQ(o.program, (Args{"app", "-x", "--y"}));
  EXPECT_EQ(o.scriptPath, "s.hsim");
  EXPECT_FALSE(o.attachThread);
}

TEST(CommandLine, AttachTakesAThreadAndOneScript) {
  const Options o = Parsed({"--attach", "4242", "s.hsim"});
  EXPECT_EQ(*o.attachThread, 4242u);
  EXPECT_EQ(o.scriptPath, "s.hsim");
  EXPECT_TRUE(o.program.empty());
}

TEST(CommandLine, DemoTakesItsOwnOptionsAfterTheProgram) {
  const Options o = Parsed({"--demo", "--spawn", "build/app/vantor1", "--rate", "30", "-q"});
  EXPECT_EQ(o.mode, Mode::Demo);
  EXPECT_EQ(o.program, (Args{"build/app/vantor1", "-q"}));
  EXPECT_DOUBLE_EQ(o.gamesPerMinute, 30);
  EXPECT_TRUE(o.scriptPath.empty());
}

TEST(CommandLine, DefaultsAndBench) {
  const Options o = Parsed({"--bench", "500"});
  EXPECT_EQ(o.mode, Mode::Bench);
  EXPECT_EQ(o.benchCount, 500);
  EXPECT_EQ(o.timeoutMs, 5000);
  EXPECT_FALSE(o.indexBase);
  EXPECT_EQ(*Parsed({"--index-base", "0", "--attach", "1", "s"}).indexBase, 0);
}

TEST(CommandLine, IncompleteOrContradictoryLinesAreRefused) {
  EXPECT_TRUE(Refused({}));
  EXPECT_TRUE(Refused({"s.hsim"}));
  EXPECT_TRUE(Refused({"--spawn", "app"}));           // no script
  EXPECT_TRUE(Refused({"--attach", "1"}));            // no script
  EXPECT_TRUE(Refused({"--attach", "1", "a", "b"}));  // two scripts
  EXPECT_TRUE(Refused({"--attach", "0", "s"}));
  EXPECT_TRUE(Refused({"--attach", "1", "--spawn", "app", "s"}));  // both
  EXPECT_TRUE(Refused({"--timeout-ms", "soon", "--attach", "1", "s"}));
  EXPECT_TRUE(Refused({"--index-base", "3", "--attach", "1", "s"}));  // odd: parity flips
  EXPECT_TRUE(Refused({"--frobnicate", "--attach", "1", "s"}));
  EXPECT_TRUE(Refused({"--demo", "--attach", "1", "s"}));
  EXPECT_TRUE(Refused({"--bench", "0"}));
  EXPECT_TRUE(Refused({"--bench", "10", "--spawn", "app"}));
}

}  // namespace
}  // namespace hostsim
