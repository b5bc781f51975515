// The script language: what each command turns into, and which lines are refused.
#include <gtest/gtest.h>

#include "tools/hostsim/host_side.h"
#include "tools/hostsim/script.h"
#include "tools/hostsim/wire.h"

namespace hostsim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Command One(std::string_view line) {
  ParsedScript script = ParseScript(line);
  EXPECT_FALSE(script.error) << line << ": " << script.error->message;
  EXPECT_EQ(script.commands.size(), 1u) << line;
  return script.commands.empty() ? Command{} : script.commands[0];
}

int ErrorLine(std::string_view source) {
  const ParsedScript script = ParseScript(source);
  return script.error ? script.error->line : 0;
}

TEST(Script, CommentsBlankLinesAndCarriageReturnsAreSkippedAndLinesCounted) {
  const ParsedScript script =
      ParseScript("# head\n\n  \t\nannounce read\r\n  # indented\nsignal # why\n");
  ASSERT_FALSE(script.error);
  ASSERT_EQ(script.commands.size(), 2u);
  EXPECT_EQ(script.commands[0].line, 4);
  EXPECT_EQ(script.commands[0].op, Op::AnnounceToProgram);
  EXPECT_EQ(script.commands[0].size, kDefaultRingSize);
  EXPECT_EQ(script.commands[1].line, 6);
  EXPECT_EQ(script.commands[1].op, Op::Signal);
}

TEST(Script, AnnouncementsTakeSizesAndRelativeIndexes) {
  EXPECT_EQ(One("announce write 1024").size, 1024);
  EXPECT_EQ(One("announce write").op, Op::AnnounceToHost);
  const Command missing = One("announce-missing 7 -5");
  EXPECT_EQ(missing.op, Op::AnnounceMissing);
  EXPECT_EQ(missing.number, 7);
  EXPECT_EQ(missing.size, -5);
}

TEST(Script, TextCommandsKeepTheRestOfTheLineExactly) {
  const Command line = One("line Game  notification:   x  # not a comment");
  ASSERT_TRUE(line.argumentType);
  EXPECT_EQ(*line.argumentType, kLineType);
  ASSERT_EQ(line.args.size(), 1u);
  EXPECT_EQ(line.args[0], "Game  notification:   x  # not a comment");
  EXPECT_EQ(One("line").args[0], "");
  EXPECT_EQ(One("identity  Alpha ").args[0], " Alpha ");
}

TEST(Script, ExpectTextAddsLineFeedAndNulAndReadsEscapes) {
  const Command expect = One("expect text observe al\\x70ha\\t\\\\");
  EXPECT_EQ(expect.op, Op::ExpectText);
  EXPECT_EQ(expect.text, std::string("observe alpha\t\\\n\0", 17));
}

TEST(Script, SendCommandsBuildTheirFrames) {
  EXPECT_EQ(One("value 5 1499").frame, (Bytes{5, 0, 2, 0, 0xDB, 0x05}));
  EXPECT_EQ(One("value 4 70000").frame, (Bytes{4, 0, 2, 0, 0x70, 0x11}));
  EXPECT_EQ(One("data 3 a\\0b").frame, (Bytes{3, 0, 4, 0, 'a', 0, 'b', 0}));
  EXPECT_EQ(One("raw 0c00 03 00  aa BB cc").frame, (Bytes{12, 0, 3, 0, 0xAA, 0xBB, 0xCC}));
  EXPECT_EQ(One("quit").frame, (Bytes{0xEB, 0x03, 0, 0}));
  EXPECT_EQ(One("close 12").args, (std::vector<std::string>{"12", "X"}));
  EXPECT_EQ(One("relation 12 O").frame, *ArgumentMessage(kRelationType, {"12", "O"}));
}

TEST(Script, ArgsTakesQuotedArgumentsWithEscapesEmptyOnesAndSpaces) {
  const Command args = One(R"(args 43 "12" "" "a b" "q\"\n" # trailing comment)");
  EXPECT_EQ(*args.argumentType, 43);
  EXPECT_EQ(args.args, (std::vector<std::string>{"12", "", "a b", "q\"\n"}));
  EXPECT_EQ(One("args 0").args.size(), 0u);
}

TEST(Script, ExpectationsAndControlCommands) {
  EXPECT_EQ(One("expect handshake").op, Op::ExpectHandshake);
  EXPECT_EQ(One("expect running").op, Op::ExpectRunning);
  EXPECT_EQ(One("expect nothing 250").number, 250);
  EXPECT_EQ(One("expect exit 3").number, 3);
  EXPECT_EQ(One("expect boards 2").number, 2);
  EXPECT_EQ(One("sleep 10").op, Op::Sleep);
  EXPECT_EQ(One("auto on").number, 1);
  EXPECT_EQ(One("auto off").number, 0);
}

TEST(Script, BadLinesAreRefusedNamingTheirLine) {
  EXPECT_EQ(ErrorLine("signal\nfrobnicate\n"), 2);
  EXPECT_EQ(ErrorLine("announce sideways"), 1);
  EXPECT_EQ(ErrorLine("announce read 1"), 1);  // a ring that holds nothing
  EXPECT_EQ(ErrorLine("announce read 64k"), 1);
  EXPECT_EQ(ErrorLine("announce-missing 3"), 1);
  EXPECT_EQ(ErrorLine("value 70000 1"), 1);  // a kind beyond 16 bits
  EXPECT_EQ(ErrorLine("raw 0"), 1);          // half a byte
  EXPECT_EQ(ErrorLine("raw zz"), 1);
  EXPECT_EQ(ErrorLine("raw"), 1);
  EXPECT_EQ(ErrorLine("args 1 \"open"), 1);
  EXPECT_EQ(ErrorLine("args 1 bare"), 1);
  EXPECT_EQ(ErrorLine("args 1 \"a\"\"b\""), 1);
  EXPECT_EQ(ErrorLine("expect text \\q"), 1);
  EXPECT_EQ(ErrorLine("expect exit 256"), 1);
  EXPECT_EQ(ErrorLine("expect sunshine"), 1);
  EXPECT_EQ(ErrorLine("signal now"), 1);
  EXPECT_EQ(ErrorLine("relation 12"), 1);
  EXPECT_EQ(ErrorLine("auto maybe"), 1);
  EXPECT_EQ(ErrorLine("data 2 " + std::string(40000, 'x')), 1);
}

TEST(CUnescape, ReadsCEscapesAndRefusesBrokenOnes) {
  std::string out;
  std::string error;
  ASSERT_TRUE(CUnescape(R"(\0\1012\x41\x4g\e\?)", out, error));
  EXPECT_EQ(out, std::string("\0A2A\x04g\x1b?", 8));
  EXPECT_FALSE(CUnescape("tail\\", out, error));
  EXPECT_FALSE(CUnescape("\\x", out, error));
  EXPECT_FALSE(CUnescape("\\777", out, error));
  EXPECT_FALSE(CUnescape("\\z", out, error));
}

}  // namespace
}  // namespace hostsim
