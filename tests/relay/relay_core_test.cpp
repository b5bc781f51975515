// The relay's pure parts: cutting a telnet stream into lines, what vantor1 is told of each
// server line, the queue of vantor1's commands, and the command line.
#include <gtest/gtest.h>

#include "relay/client_command.h"
#include "relay/command_queue.h"
#include "relay/line_reader.h"
#include "relay/login.h"
#include "relay/options.h"
#include "relay/server_lines.h"
#include "relay/server_text.h"

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

TEST(ServerText, promptsAndEscapesAreTakenOffWhatVantorReads) {
  const std::pair<std::string, std::string> cases[] = {
      {"fics% fics% hello there", "hello there"},
      {"12:34_fics% Game notification: x", "Game notification: x"},
      {"50% of it", "50% of it"},  // no word starting with a letter before "% "
      {"1:34_fics% x", "1:34_fics% x"},
      {"Game notification: \x1b[7mBobby\x1b[0m (1649) vs. Carol",
       "Game notification: Bobby (1649) vs. Carol"},
      {"\x1b[1;4mbold\x1b[", "bold"},  // a sequence cut off at the end goes too
  };
  for (const auto& [line, text] : cases) {
    EXPECT_EQ(StripPrompt(WithoutEscapes(line)), text) << testing::PrintToString(line);
  }
  EXPECT_TRUE(IsPromptOnly("12:34_fics% "));
  EXPECT_FALSE(IsPromptOnly("password: "));
}

// The server breaks a line that would reach 80 columns after a word and goes on behind "\   ";
// the pieces arrive as lines of their own, possibly in separate reads.
TEST(LineJoiner, wrappedLinesArePutBackTogetherAndPassedOnOnceWhole) {
  const std::string wrapped =
      "fics% Game notification: Fredericksonabc (1558) vs. Maximilianusxyz (1882)\n\r"
      "\\   unrated standard 15 0\n\rfics% ";
  for (std::size_t split = 0; split <= wrapped.size(); ++split) {
    LineReader reader;
    LineJoiner joiner;
    std::vector<std::string> whole;
    const LineReader::LineFn take = [&](std::string_view line) { whole.emplace_back(line); };
    for (const std::string_view part :
         {std::string_view(wrapped).substr(0, split), std::string_view(wrapped).substr(split)}) {
      reader.Feed({reinterpret_cast<const std::uint8_t*>(part.data()), part.size()},
                  [&](std::string_view line) { joiner.Add(line, take); });
      joiner.Next(reader.Partial(), take);
    }
    EXPECT_EQ(whole, std::vector<std::string>{"fics% Game notification: Fredericksonabc (1558) vs. "
                                              "Maximilianusxyz (1882) unrated standard 15 0"})
        << split;
  }
  LineJoiner joiner;
  std::vector<std::string> whole;
  const LineReader::LineFn take = [&](std::string_view line) { whole.emplace_back(line); };
  joiner.Add("fics% Game notification: A (1) vs. B (2) unrated blitz 5 0: Game", take);
  joiner.Next("\\  ", take);  // may still become a continuation
  EXPECT_TRUE(whole.empty());
  joiner.Add("\\   1", take);
  joiner.Next("fics% ", take);
  EXPECT_EQ(whole, std::vector<std::string>{
                       "fics% Game notification: A (1) vs. B (2) unrated blitz 5 0: Game 1"});
  joiner.Add("a line the server did not follow", take);
  joiner.Next("", take);
  EXPECT_TRUE(joiner.Holding());
  joiner.Flush(take);
  EXPECT_EQ(whole.back(), "a line the server did not follow");
  EXPECT_FALSE(joiner.Holding());
}

// Each server shape's login, as the server writes it and the client answers; a step's first
// letter says whose: 'S' a server line, 'P' what stands of the next one (a prompt), 'C' a client
// line.
TEST(Login, userIsInOnceTheServerSaysSoUnderItsSpelling) {
  struct Case {
    const char* shape;
    std::vector<std::string> steps;
    std::string name;  // empty: not in
  } cases[] = {
      {"older, registered",
       {"Plogin: ", "Cbobby", "S\"Bobby\" is a registered name. If it is yours, type the password.",
        "Ppassword: ", "Csecret", "Spassword: ", "SWelcome", "Pfics% "},
       "Bobby"},
      {"older, name and password sent before they were asked for",
       {"Plogin: ", "Cbobby", "Csecret", "Ppassword: ", "Pfics% "},
       "bobby"},
      // Regression: the server answered the name and the password in one write, so the password
      // question stood on one line with the text after the login, and the login went unseen.
      {"older, name and password sent at once and answered in one piece",
       {"Plogin: ", "Cbobby", "Csecret",
        "Slogin: ", "S\"Bobby\" is a registered name. If it is yours, type the password.",
        "Spassword: Welcome to the server.", "Pfics% "},
       "Bobby"},
      {"older, wrong password",
       {"Plogin: ", "Cbobby", "Ppassword: ", "Cwrong", "S**** Invalid password! ****"},
       ""},
      {"older, unregistered",
       {"Plogin: ", "Cguest", "PPress return to enter the FICS as \"guest\":", "C", "Pfics% "},
       "guest"},
      {"public, registered, the session-start line on the password's line",
       {"Plogin: ", "Cbobby", "Ppassword: ", "Csecret",
        "Spassword: **** Starting FICS session as Bobby ****"},
       "Bobby"},
      {"public, guest, timed prompt before the session-start line",
       {"Plogin: ", "Cguest", "PPress return to enter the server as \"GuestQZRT\":", "C",
        "S12:34_fics% **** Starting FICS session as GuestQZRT(U) ****"},
       "GuestQZRT"},
      {"no prompt before the password is answered",
       {"Plogin: ", "Cbobby", "Pfics% ", "Ppassword: "},
       ""},
  };
  for (const Case& c : cases) {
    Login login;
    for (const std::string& step : c.steps) {
      const std::string text = step.substr(1);
      step[0] == 'C'   ? login.ClientLine(text)
      : step[0] == 'S' ? login.ServerLine(text)
                       : login.ServerPartial(text);
    }
    EXPECT_EQ(login.Ready() ? login.Name() : "", c.name) << c.shape;
  }
}

// Every line but a bare prompt reaches vantor1 as a kind-1 note without its prompts; some say more.
TEST(ServerLines, eachLineBecomesWhatVantorIsTold) {
  const std::pair<std::string, std::vector<HostNote>> cases[] = {
      {"fics% You are now observing game 101.", {{43, {"101", "O"}}}},
      {"Removing game 7 from observation list.", {{43, {"7", "X"}}}},
      {"{Game 101 (Alpha vs. beta) beta resigns} 1-0", {{43, {"101", "X"}}}},
      {"{Game 9 (a vs. b) Game drawn by repetition} 1/2-1/2", {{43, {"9", "X"}}}},
      {"{Game 1 (Bobby vs. Carol) Game adjourned by mutual agreement} *", {{43, {"1", "X"}}}},
      {"You are now observing game 12x.", {}},
      {"Game notification: Alpha (1812) vs. beta (1790) rated blitz 5 0: Game 101", {}},
  };
  for (const auto& [line, more] : cases) {
    std::vector<HostNote> notes{{1, {std::string(StripPrompt(line))}}};
    notes.insert(notes.end(), more.begin(), more.end());
    ServerLines lines(true);
    EXPECT_EQ(lines.Translate(line), notes) << line;
  }
  EXPECT_TRUE(ServerLines(true).Translate("fics% ").empty());
}

TEST(ServerLines, longLineIsCutNotSplit) {
  ServerLines lines(true);
  const std::vector<HostNote> notes = lines.Translate(std::string(LineReader::kMaxLine, 'y'));
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].args[0].size(), kMaxArgument);
}

// Both servers' announcements are held back while the user plays, whether the game was seen to
// start or only its board (a game resumed) shows that the user is in it.
TEST(ServerLines, notificationsAreHeldBackWhileTheUserPlays) {
  const std::string notices[] = {"Game notification: A (1) vs. B (2) rated blitz 5 0: Game 3",
                                 "Game notification: A (----) vs. B (++++) rated blitz 5 0"};
  const std::string starts[] = {
      "{Game 7 (TESTER vs. opp) Creating rated blitz match.}",
      "<12> rnbqkbnr pppppppp -------- -------- -------- -------- PPPPPPPP RNBQKBNR W -1 1 1 1 1 "
      "0 7 Tester opp -1 5 0 39 39 300 300 1 none (0:00) none 0 0 0"};
  for (const bool pause : {true, false}) {
    for (const std::string& start : starts) {
      ServerLines lines(pause);
      lines.SetUser("tester");
      lines.Translate("{Game 8 (Other vs. Someone) Creating rated blitz match.}");
      lines.Translate(
          "<12> rnbqkbnr pppppppp -------- -------- -------- -------- PPPPPPPP "
          "RNBQKBNR W -1 1 1 1 1 0 8 Other Someone 0 5 0 39 39 300 300 1 none");
      EXPECT_FALSE(lines.Playing());  // not the user's game
      lines.Translate(start);
      EXPECT_TRUE(lines.Playing()) << start;
      for (const std::string& notice : notices) {
        EXPECT_EQ(lines.Translate(notice).size(), pause ? 0u : 1u) << notice;
      }
      lines.Translate("{Game 8 (Other vs. Someone) Other resigns} 0-1");
      EXPECT_TRUE(lines.Playing());
      lines.Translate("fics% {Game 7 (TESTER vs. opp) opp resigns} 1-0");
      EXPECT_FALSE(lines.Playing());
      EXPECT_EQ(lines.Translate(notices[1]).size(), 1u);
      EXPECT_EQ(lines.HeldBack(), pause ? 2u : 0u);
    }
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
