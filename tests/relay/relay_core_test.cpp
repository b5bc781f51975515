// The relay's pure parts: cutting a telnet stream into lines, what vantor1 is told of each
// server line, the queue of vantor1's commands, and the command line.
#include <gtest/gtest.h>

#include "relay/client_command.h"
#include "relay/command_queue.h"
#include "relay/line_reader.h"
#include "relay/options.h"
#include "relay/server_lines.h"

namespace relay {
namespace {

std::vector<std::string> Lines(LineReader& reader, std::string_view bytes) {
  std::vector<std::string> lines;
  reader.Feed({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()},
              [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

TEST(LineReader, telnetSequencesCrAndNulAreLeftOutOfLines) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"a\r\nb\n\rc", {"a", "b"}},
      {std::string("x\xff\xfb\x01y\xff\xf1z\n", 9), {"xyz"}},       // WILL ECHO, NOP
      {std::string("p\xff\xfa\x18\x01\n\xff\xf0q\n", 10), {"pq"}},  // subnegotiation
      {std::string("\xff\xff=255\0\n", 8), {"\xff=255"}},           // escaped IAC, NUL
      {std::string("\xff\xfd\n\n", 4), {""}},  // the option byte is LF: no line ends there
  };
  for (const Case& c : cases) {
    LineReader reader;
    EXPECT_EQ(Lines(reader, c.bytes), c.lines) << testing::PrintToString(c.bytes);
  }
}

TEST(LineReader, sequenceSplitAcrossReadsAndBoundaryOnlyAfterLf) {
  LineReader reader;
  EXPECT_TRUE(reader.AtLineStart());
  EXPECT_TRUE(Lines(reader, "\xff").empty());
  EXPECT_FALSE(reader.AtLineStart());  // inside a telnet sequence
  EXPECT_EQ(Lines(reader, "\xfb\x01say hi\r"), std::vector<std::string>{});
  EXPECT_FALSE(reader.AtLineStart());  // CR without its LF
  EXPECT_EQ(Lines(reader, "\n"), std::vector<std::string>{"say hi"});
  EXPECT_TRUE(reader.AtLineStart());
}

TEST(LineReader, lineWithNoEndKeepsOnlyTheBound) {
  LineReader reader;
  const std::string huge(1 << 20, 'x');
  EXPECT_TRUE(Lines(reader, huge).empty());
  EXPECT_EQ(reader.Buffered(), LineReader::kMaxLine);
  const std::vector<std::string> lines = Lines(reader, "tail\nnext\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(LineReader::kMaxLine, 'x'));
  EXPECT_EQ(lines[1], "next");
}

// Every line but a bare prompt reaches vantor1 as a kind-1 note without its prompts; some say more.
TEST(ServerLines, eachLineBecomesWhatVantorIsTold) {
  const std::pair<std::string, std::vector<HostNote>> cases[] = {
      {"aics% aics% hello there", {}},
      {"50% of it", {}},  // not a prompt: no space-free word before "% "
      {"**** Starting StandIn session as Tester(U) ****", {{0, {"Tester"}}}},
      {"aics% You are now observing game 101.", {{43, {"101", "O"}}}},
      {"Removing game 7 from observation list.", {{43, {"7", "X"}}}},
      {"{Game 101 (Alpha vs. beta) beta resigns} 1-0", {{43, {"101", "X"}}}},
      {"{Game 9 (a vs. b) Game drawn by repetition} 1/2-1/2", {{43, {"9", "X"}}}},
      {"You are now observing game 12x.", {}},
      {"Game notification: Alpha (1812) vs. beta (1790) rated blitz 5 0 : 101", {}},
  };
  for (const auto& [line, more] : cases) {
    std::string text = line;
    while (text.starts_with("aics% ")) {
      text.erase(0, 6);
    }
    std::vector<HostNote> notes{{1, {text}}};
    notes.insert(notes.end(), more.begin(), more.end());
    ServerLines lines(true);
    EXPECT_EQ(lines.Translate(line), notes) << line;
  }
  EXPECT_TRUE(ServerLines(true).Translate("aics% ").empty());
}

TEST(ServerLines, longLineIsCutNotSplit) {
  ServerLines lines(true);
  const std::vector<HostNote> notes = lines.Translate(std::string(LineReader::kMaxLine, 'y'));
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].args[0].size(), kMaxArgument);
}

TEST(ServerLines, notificationsAreHeldBackWhileTheUserPlays) {
  const std::string notice = "Game notification: A (1) vs. B (2) rated blitz 5 0 : 3";
  for (const bool pause : {true, false}) {
    ServerLines lines(pause);
    lines.Translate("**** Starting StandIn session as tester(U) ****");
    lines.Translate("{Game 8 (Other vs. Someone) Creating rated blitz match.}");
    EXPECT_FALSE(lines.Playing());  // not the user's game
    lines.Translate("{Game 7 (TESTER vs. opp) Creating rated blitz match.}");
    EXPECT_TRUE(lines.Playing());
    EXPECT_EQ(lines.Translate(notice).size(), pause ? 0u : 1u);
    lines.Translate("{Game 8 (Other vs. Someone) Other resigns} 0-1");
    EXPECT_TRUE(lines.Playing());
    lines.Translate("{Game 7 (TESTER vs. opp) opp resigns} 1-0");
    EXPECT_FALSE(lines.Playing());
    EXPECT_EQ(lines.Translate(notice).size(), 1u);
    EXPECT_EQ(lines.HeldBack(), pause ? 1u : 0u);
  }
}

TEST(CommandQueue, commandsBecomeWholeLinesAndOverflowIsCounted) {
  CommandQueue queue;
  EXPECT_TRUE(queue.Push(std::string_view("observe alpha\n\0", 15)));
  EXPECT_TRUE(queue.Push("+gnotify beta"));  // a line feed is added
  EXPECT_FALSE(queue.Push(std::string_view("\0x", 2)));
  EXPECT_EQ(queue.TakeAll(), "observe alpha\n+gnotify beta\n");
  EXPECT_TRUE(queue.Empty());
  for (std::size_t i = 0; i < CommandQueue::kMaxCommands + 3; ++i) {
    queue.Push("observe x");
  }
  EXPECT_EQ(queue.Dropped(), 4u);
  EXPECT_EQ(queue.TakeAll().size(), CommandQueue::kMaxCommands * 10);
  EXPECT_EQ(queue.Injected(), 2 + CommandQueue::kMaxCommands);
}

TEST(Options, commandLinesAreReadOrRefused) {
  struct Case {
    std::vector<std::string> args;
    bool ok;
  } cases[] = {
      {{"chess.example.org"}, true},
      {{"--listen", "0.0.0.0:5001", "--no-pause", "--attach", "42", "[::1]:23"}, true},
      {{"--vantor", "sh", "--client", "xboard -icsport %p", "s"}, true},
      {{}, false},
      {{"a", "b"}, false},
      {{"--vantor", "sh", "--attach", "1", "s"}, false},
      {{"--listen", "1.2.3.4:99999", "s"}, false},
      {{"--attach", "zero", "s"}, false},
      {{"--bogus", "s"}, false},
      // A program that cannot run is refused with the command line, not at the first session.
      {{"--vantor", "/nonexistent/vantor1", "s"}, false},
      {{"--vantor", "/dev/null", "s"}, false},
      {{"--client", "", "s"}, false},
  };
  for (const Case& c : cases) {
    const cli::Outcome outcome = ParseOptions(c.args).outcome;
    EXPECT_EQ(outcome.kind == cli::Outcome::Kind::Run, c.ok) << testing::PrintToString(c.args);
    EXPECT_EQ(outcome.text.find('\n'), std::string::npos) << outcome.text;
  }
  const Options o = ParseOptions({"--listen", "0.0.0.0:5001", "--no-pause", "s:23"}).options;
  EXPECT_EQ(o.listen, (Endpoint{"0.0.0.0", 5001}));
  EXPECT_EQ(o.server, (Endpoint{"s", 23}));
  EXPECT_FALSE(o.pause);
  EXPECT_EQ(ParseOptions({"s"}).options.server.port, 5000);
  EXPECT_EQ(ParseOptions({"--help"}).outcome.kind, cli::Outcome::Kind::Help);
}

TEST(ClientCommand, hostAndPortAreFilledIn) {
  const Endpoint relay{"127.0.0.1", 5001};
  EXPECT_EQ(ClientCommand("xboard -ics -icshost %h -icsport %p", relay),
            "xboard -ics -icshost 127.0.0.1 -icsport 5001");
  EXPECT_EQ(ClientCommand("echo 100%% %x %", relay), "echo 100% %x %");
  EXPECT_EQ(ClientTarget({"0.0.0.0", 7}), (Endpoint{"127.0.0.1", 7}));
  EXPECT_EQ(ClientTarget({"::", 7}), (Endpoint{"::1", 7}));
}

}  // namespace
}  // namespace relay
