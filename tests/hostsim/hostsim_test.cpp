// hostsim's script language (which lines are refused),
// and its scripts run against a forked stand-in of vantor1: the real announcement handling,
// drain and policy in the real thread message loop shape, following "alpha", minus the window.
#include <gtest/gtest.h>

#include <cstdlib>

#include "hostlink/host_session.h"
#include "tools/hostsim/gnotify_list.h"
#include "tools/hostsim/script.h"
#include "tools/hostsim/script_runner.h"
#include "tools/hostsim/stand_in.h"

namespace hostsim {
namespace {

int ErrorLine(const std::string& source) {
  const ParsedScript script = ParseScript(source);
  return script.error ? script.error->line : 0;
}

// The answer to "=gnotify" that the demo and the stand-in server give, against the real
// server's bytes (its lines without their "\n\r").
TEST(GnotifyList, LaidOutAsTheServerDoes) {
  const std::vector<std::string> nato = {
      "Zulu",   "Yankee", "Xray",    "Whiskey",  "Victor", "Uniform", "Tango", "Sierra", "Romeo",
      "Quebec", "Papa",   "Oscar",   "November", "Mike",   "Lima",    "Kilo",  "Juliet", "India",
      "Hotel",  "Golf",   "Foxtrot", "Echo",     "Delta",  "Charlie", "Bravo", "Alpha"};
  std::vector<std::string> many = nato;
  many.insert(many.end(), {"Maximilianusxyz", "guest", "Fredericksonabc", "Eve", "Dave", "Carol"});
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "-- gnotify list: 0 names --\n\n"},
      {{"Bobby"}, "-- gnotify list: 1 names --\nBobby  \n"},
      {{"Maximilianusxyz", "Bobby", "Fredericksonabc"},
       "-- gnotify list: 3 names --\nBobby            Fredericksonabc  Maximilianusxyz  \n"},
      {{"Dave", "Maximilianusxyz", "Bobby", "Fredericksonabc"},
       "-- gnotify list: 4 names --\nBobby            Dave             Fredericksonabc  "
       "Maximilianusxyz\n"},
      {many,
       "-- gnotify list: 32 names --\n"
       "Alpha            Foxtrot          Lima             Sierra         \n"
       "Bravo            Fredericksonabc  Maximilianusxyz  Tango          \n"
       "Carol            Golf             Mike             Uniform        \n"
       "Charlie          guest            November         Victor         \n"
       "Dave             Hotel            Oscar            Whiskey        \n"
       "Delta            India            Papa             Xray           \n"
       "Echo             Juliet           Quebec           Yankee         \n"
       "Eve              Kilo             Romeo            Zulu           \n"},
  };
  for (const auto& [names, answer] : cases) {
    std::string text;
    for (const std::string& line : GnotifyListLines(names)) {
      text += line + "\n";
    }
    EXPECT_EQ(text, answer);
  }
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

// How the stand-in behaves besides the real loop.
enum class Fault { None, CrashOnData, ExitThreeOnQuit };

int StandIn(Fault fault) {
  return RunStandIn(
      "alpha",
      [fault](const platform::ThreadMessage& message) -> std::optional<int> {
        if (fault == Fault::CrashOnData && message.message == IpcDataReadyMessage()) {
          std::abort();
        }
        return std::nullopt;
      },
      fault == Fault::ExitThreeOnQuit ? 3 : 0);
}

constexpr const char* kConnect = "announce read\nannounce write\nexpect handshake\n";
constexpr const char* kAlphaGame =
    "line Game notification: Alpha (1812) vs. beta (1790) rated blitz 5 0 : 12\n";

// The scripts in tests/e2e show that holding expectations pass; here each failure gives exit code
// 1 (an expectation failed) or 2 (a script error), names its line (unless 0) and says `message`.
TEST(ScriptRunner, ResultsNameTheLineAndWhatFailed) {
  const std::string connect = kConnect, alpha = kAlphaGame;
  struct Case {
    std::string script;
    Fault fault;
    int exitCode, line;
    std::string message;
    int timeoutMs = 10000;
  } cases[] = {
      // The handshake is still unread when the text is expected: its messages are skipped.
      {"announce read\nannounce write\n" + alpha + "expect text observe beta\n", Fault::None, 1, 4,
       R"(expected text "observe beta\n\0", got "observe alpha\n\0")"},
      // The long windows and sleeps are bounds: each ends at the event that fails the run.
      {connect + alpha + "expect nothing 20000\n", Fault::None, 1, 5, "observe alpha"},
      {"announce read\nvalue 7 5\nsleep 20000\n", Fault::CrashOnData, 1, 0, "crashed (signal 6"},
      {"announce read\nquit\nexpect exit 0\n", Fault::ExitThreeOnQuit, 1, 0,
       "expected exit status 0, vantor1 ended with status 3"},
      // Unasked, a failure status still fails the run once the script is done: after the quit
      // message hostsim awaits the end rather than ending the program itself.
      {"announce read\nquit\n", Fault::ExitThreeOnQuit, 1, 0, "vantor1 ended with status 3"},
      // No write end: nothing can arrive, and the bound itself is what is tested.
      {"announce read\nexpect text observe nobody\n", Fault::None, 1, 2,
       R"(no text message "observe nobody\n\0" within 300 ms)", 300},
      {"announce write\nvalue 7 1\n", Fault::None, 2, 2, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    const ParsedScript script = ParseScript(c.script);
    ASSERT_FALSE(script.error) << script.error->message;
    std::string error;
    auto program = Program::Fork([&c] { return StandIn(c.fault); }, error);
    ASSERT_TRUE(program) << error;
    auto host = HostSide::Create(program->Thread(), std::nullopt);
    ASSERT_TRUE(host) << host.Message();
    Session session(**host, *program, nullptr);
    const RunResult result = RunScript(script.commands, session, {c.timeoutMs, false, false});
    program->Terminate(2000);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.message;
    EXPECT_TRUE(c.line == 0 || result.line == c.line) << result.line;
    EXPECT_NE(result.message.find(c.message), std::string::npos) << result.message;
  }
}

}  // namespace
}  // namespace hostsim
