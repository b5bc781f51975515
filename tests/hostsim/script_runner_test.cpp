// Scripts run against a forked stand-in of vantor1: the real announcement handling, drain and
// policy in the real thread message loop shape, following "alpha", minus the window.
#include <gtest/gtest.h>
#include <poll.h>

#include <cstdlib>

#include "hostlink/host_session.h"
#include "tools/hostsim/script_runner.h"
#include "watcher/drain.h"

namespace hostsim {
namespace {

// How the stand-in behaves besides the real loop.
enum class Fault { None, CrashOnData, ExitThreeOnQuit };

int StandIn(Fault fault) {
  auto queue = platform::ThreadMessageQueue::Create();
  WatchState state;
  state.AddFollowName("alpha");
  for (;;) {
    pollfd p{queue->Descriptor(), POLLIN, 0};
    poll(&p, 1, -1);
    queue->ClearWakeups();
    const auto message = queue->Take();
    if (!message) {
      continue;
    }
    queue->Wake();
    if (message->message == IpcNewPipeMessage()) {
      HandleNewPipe(message->wParam, message->lParam);
    } else if (message->message == IpcDataReadyMessage()) {
      if (fault == Fault::CrashOnData) {
        std::abort();
      }
      if (DrainReadPipe(theReadPipe, theWritePipe, state).quit) {
        return fault == Fault::ExitThreeOnQuit ? 3 : 0;
      }
    }
  }
}

RunResult RunAgainstStandIn(const std::string& source, Fault fault = Fault::None,
                            int timeoutMs = 2000) {
  const ParsedScript script = ParseScript(source);
  EXPECT_FALSE(script.error) << script.error->message;
  std::string error;
  auto program = Program::Fork([fault] { return StandIn(fault); }, error);
  EXPECT_TRUE(program) << error;
  auto host = HostSide::Create(program->Thread(), HostSide::PrivateIndexBase(), error);
  EXPECT_TRUE(host) << error;
  Session session(*host, *program, -1);
  const RunResult result = RunScript(script.commands, session, {timeoutMs, false, false});
  program->Terminate(2000);
  return result;
}

constexpr const char* kConnect = "announce read\nannounce write\nexpect handshake\n";
constexpr const char* kAlphaGame =
    "line Game notification: Alpha (1812) vs. beta (1790) rated blitz 5 0 : 12\n";

TEST(ScriptRunner, ObserveCommandsAreExpectedAndAnsweredAutomatically) {
  const RunResult result = RunAgainstStandIn(std::string(kConnect) + "auto on\n" + kAlphaGame +
                                             "expect text observe alpha\n"
                                             "expect boards 1\n"
                                             "close 12\n"
                                             "expect boards 0\n"
                                             "expect nothing 50\n"
                                             "quit\nexpect exit 0\n");
  EXPECT_EQ(result.exitCode, 0) << result.message;
}

TEST(ScriptRunner, ExpectTextSkipsOtherKindsAndNamesTheMismatch) {
  // The handshake is still unread when the text is expected: its messages are skipped.
  const RunResult result = RunAgainstStandIn(
      "announce read\nannounce write\n" + std::string(kAlphaGame) + "expect text observe beta\n");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.line, 4);
  EXPECT_EQ(result.message, R"(expected text "observe beta\n\0", got "observe alpha\n\0")");
}

TEST(ScriptRunner, ExpectNothingFailsOnAnyUnreadMessage) {
  const RunResult result =
      RunAgainstStandIn(std::string(kConnect) + kAlphaGame + "expect nothing 500\n");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.line, 5);
  EXPECT_NE(result.message.find("observe alpha"), std::string::npos) << result.message;
}

TEST(ScriptRunner, ACrashFailsTheRunAtTheLineThatSawIt) {
  const RunResult result =
      RunAgainstStandIn("announce read\nvalue 7 5\nsleep 2000\n", Fault::CrashOnData);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.message.find("crashed (signal 6"), std::string::npos) << result.message;
  EXPECT_LE(result.line, 3);
}

TEST(ScriptRunner, ExitStatusesAreCompared) {
  EXPECT_EQ(
      RunAgainstStandIn("announce read\nquit\nexpect exit 3\n", Fault::ExitThreeOnQuit).exitCode,
      0);
  const RunResult wrong =
      RunAgainstStandIn("announce read\nquit\nexpect exit 0\n", Fault::ExitThreeOnQuit);
  EXPECT_EQ(wrong.exitCode, 1);
  EXPECT_EQ(wrong.message, "expected exit status 0, vantor1 ended with status 3");
  // Unasked, a failure status still fails the run once the script is done.
  const RunResult unasked =
      RunAgainstStandIn("announce read\nquit\nsleep 300\n", Fault::ExitThreeOnQuit);
  EXPECT_EQ(unasked.exitCode, 1);
  EXPECT_EQ(unasked.message, "vantor1 ended with status 3");
}

TEST(ScriptRunner, WaitsEndAtTheTimeout) {
  const RunResult result =
      RunAgainstStandIn(std::string(kConnect) + "expect text observe nobody\n", Fault::None, 300);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.message, R"(no text message "observe nobody\n\0" within 300 ms)");
  EXPECT_EQ(RunAgainstStandIn("announce read\nexpect boards 1\n", Fault::None, 300).exitCode, 1);
}

TEST(ScriptRunner, WritingBeforeAnyReadPipeIsAScriptError) {
  const RunResult result = RunAgainstStandIn("announce write\nvalue 7 1\n");
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_EQ(result.line, 2);
}

}  // namespace
}  // namespace hostsim
