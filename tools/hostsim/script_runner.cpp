#include "tools/hostsim/script_runner.h"

#include <charconv>
#include <cstdio>
#include <deque>

#include "tools/hostsim/notification.h"
#include "tools/hostsim/server_model.h"

namespace hostsim {

namespace {

using Clock = Session::Clock;
using std::chrono::milliseconds;

struct Stop {
  int exitCode = 1;
  std::string message;
};
using Outcome = std::optional<Stop>;

Stop Failed(std::string message) {
  return Stop{1, std::move(message)};
}

std::optional<int> LeadingNumber(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) {
    return std::nullopt;
  }
  return value;
}

std::string Quoted(std::string_view bytes) {
  return "\"" + CEscape(bytes) + "\"";
}

class Runner {
 public:
  Runner(Session& session, const RunOptions& options) : session_(session), options_(options) {
    session_.onMessage = [this](const WireMessage& message) { Receive(message); };
  }
  ~Runner() { session_.onMessage = nullptr; }

  Outcome Run(const Command& command) {
    switch (command.op) {
      case Op::AnnounceToProgram:
      case Op::AnnounceToHost:
        return Announce(command);
      case Op::AnnounceMissing:
        return AnnounceMissing(command);
      case Op::Send:
        return Send(command);
      case Op::Signal:
        session_.Host().Signal();
        return Checked();
      case Op::Sleep:
        return WaitFor(command.number);
      case Op::ExpectHandshake:
        return ExpectHandshake();
      case Op::ExpectText:
        return ExpectText(command.text);
      case Op::ExpectNothing:
        return ExpectNothing(command.number);
      case Op::ExpectDrained:
        return ExpectDrained();
      case Op::ExpectRunning:
        return ExpectRunning();
      case Op::ExpectExit:
        return ExpectExit(static_cast<int>(command.number));
      case Op::ExpectBoards:
        return ExpectBoards(static_cast<std::size_t>(command.number));
      case Op::Auto:
        auto_ = command.number != 0;
        return Checked();
    }
    return std::nullopt;
  }

  // After the last command: a program that ended on its own with a failure status, unasked.
  // One told to quit is given the usual bound to end first: ended by hostsim's stop instead,
  // its status would never be judged.
  Outcome Finish() {
    if (quitSent_ && !exitAwaited_) {
      const auto deadline = Deadline();
      while (!Ended() && Clock::now() < deadline && !session_.Interrupted()) {
        session_.WaitUntil(deadline);
      }
    }
    session_.Look();
    if (Outcome crash = Checked()) {
      return crash;
    }
    const auto status = session_.ProgramStatus();
    if (status && status->known && status->code != 0 && !exitAwaited_) {
      return Failed("vantor1 " + Describe(*status));
    }
    return std::nullopt;
  }

 private:
  void Receive(const WireMessage& message) {
    if (options_.printMessages) {
      std::printf("%s\n", DescribeReceived(message).c_str());
    }
    pending_.push_back(message);
    if (message.kind != 2) {
      return;
    }
    const auto relation = model_.Command(message.Bytes());
    if (relation && auto_) {
      const std::vector<std::uint8_t> frame = RelationMessage(relation->game, relation->letter);
      if (session_.Host().HasPipeToProgram() && session_.Host().Send(frame).Ok()) {
        model_.Reported(*relation);
        if (options_.verbose) {
          std::printf("> relation %d %c (auto)\n", relation->game, relation->letter);
        }
      }
    }
  }

  // A crash ends the run at once, whatever the script waits for; so does a fault in the pipes.
  Outcome Checked() {
    if (auto problem = session_.Host().TakeProblem()) {
      return Failed(*problem);
    }
    if (session_.Interrupted()) {
      return Failed("interrupted");
    }
    const auto status = session_.ProgramStatus();
    if (status && status->signalled) {
      return Failed("vantor1 " + Describe(*status));
    }
    return std::nullopt;
  }

  bool Ended() { return session_.ProgramStatus().has_value(); }

  Clock::time_point Deadline() const { return Clock::now() + milliseconds(options_.timeoutMs); }

  // Ends early when the program ends: nothing can happen after that.
  Outcome WaitFor(std::int64_t ms) {
    const auto deadline = Clock::now() + milliseconds(ms);
    do {
      session_.WaitUntil(deadline);
      if (Outcome stop = Checked()) {
        return stop;
      }
    } while (Clock::now() < deadline && !Ended());
    return std::nullopt;
  }

  // Waits for the next message; none when the deadline passed or the program ended first.
  std::optional<WireMessage> NextMessage(Clock::time_point deadline, Outcome& stop) {
    for (;;) {
      if (!pending_.empty()) {
        WireMessage message = std::move(pending_.front());
        pending_.pop_front();
        return message;
      }
      if ((stop = Checked()) || Ended() || Clock::now() >= deadline) {
        return std::nullopt;
      }
      session_.WaitUntil(deadline);
    }
  }

  Stop NoMessage(const std::string& what) {
    if (const auto status = session_.ProgramStatus()) {
      return Failed("vantor1 " + Describe(*status) + " before " + what);
    }
    return Failed("no " + what + " within " + std::to_string(options_.timeoutMs) + " ms");
  }

  Outcome Announce(const Command& command) {
    const PipeEnd end = command.op == Op::AnnounceToProgram ? PipeEnd::ToProgram : PipeEnd::ToHost;
    const Result<HostPipe*> pipe =
        session_.Host().CreatePipe(end, static_cast<std::int32_t>(command.size));
    if (!pipe) {
      return Failed(pipe.Message());
    }
    if (!session_.AnnounceUntilTaken((*pipe)->Index(), (*pipe)->RingSize(), options_.timeoutMs)) {
      return Checked().value_or(Failed("vantor1 did not take the announcement within " +
                                       std::to_string(options_.timeoutMs) + " ms"));
    }
    return Checked();
  }

  Outcome AnnounceMissing(const Command& command) {
    const std::int64_t index = session_.Host().IndexBase() + command.number;
    if (index < INT32_MIN || index > INT32_MAX) {
      return Stop{2, "pipe index out of range"};
    }
    if (!session_.AnnounceUntilTaken(static_cast<std::int32_t>(index),
                                     static_cast<std::int32_t>(command.size), options_.timeoutMs)) {
      return Checked().value_or(Failed("vantor1 did not take the announcement"));
    }
    return Checked();
  }

  Outcome Send(const Command& command) {
    HostSide& host = session_.Host();
    if (!host.HasPipeToProgram()) {
      return Stop{2, "no read pipe announced yet (announce read first)"};
    }
    const auto deadline = Deadline();
    for (;;) {
      const Result<Sent> sent = host.Send(command.frame);
      if (sent) {
        quitSent_ = quitSent_ || command.frame == QuitMessage();
        break;
      }
      if (sent.Code() == ErrorCode::TooLarge) {
        return Stop{2, std::to_string(command.frame.size()) + " bytes do not fit the ring"};
      }
      if (sent.Code() != ErrorCode::NoRoom) {
        return Failed(sent.Message());
      }
      // The program frees room without telling the host: look again shortly.
      if (Clock::now() >= deadline) {
        return Failed("no room in the read pipe within " + std::to_string(options_.timeoutMs) +
                      " ms");
      }
      session_.WaitUntil(std::min(deadline, Clock::now() + milliseconds(5)));
      if (Outcome stop = Checked()) {
        return stop;
      }
    }
    if (command.argumentType) {
      Remember(*command.argumentType, command.args);
    }
    session_.Look();
    return Checked();
  }

  // The host's own bookkeeping of what it told the program.
  void Remember(int type, const std::vector<std::string>& args) {
    if (args.empty()) {
      return;
    }
    if (const auto game = ReadNotificationLine(args[0])) {
      model_.Announce(*game);
    }
    if (type == kRelationType && args.size() >= 2 && !args[1].empty()) {
      if (const auto game = LeadingNumber(args[0])) {
        model_.Reported({*game, args[1][0]});
      }
    }
  }

  Outcome ExpectHandshake() {
    const std::vector<WireMessage>& expected = ExpectedHandshake();
    const auto deadline = Deadline();
    for (std::size_t i = 0; i < expected.size(); ++i) {
      Outcome stop;
      const auto message = NextMessage(deadline, stop);
      if (stop) {
        return stop;
      }
      if (!message) {
        return NoMessage("handshake message " + std::to_string(i + 1) + " of " +
                         std::to_string(expected.size()));
      }
      if (*message != expected[i]) {
        return Failed("handshake message " + std::to_string(i + 1) + ": expected " +
                      DescribeReceived(expected[i]).substr(2) + ", got " +
                      DescribeReceived(*message).substr(2));
      }
    }
    return Checked();
  }

  Outcome ExpectText(const std::string& text) {
    const auto deadline = Deadline();
    for (;;) {
      Outcome stop;
      const auto message = NextMessage(deadline, stop);
      if (stop) {
        return stop;
      }
      if (!message) {
        return NoMessage("text message " + Quoted(text));
      }
      if (message->kind == 2) {
        if (message->Bytes() != text) {
          return Failed("expected text " + Quoted(text) + ", got " + Quoted(message->Bytes()));
        }
        return Checked();
      }
    }
  }

  Outcome ExpectNothing(std::int64_t ms) {
    const auto deadline = Clock::now() + milliseconds(ms);
    for (;;) {
      if (!pending_.empty()) {
        return Failed("expected nothing, got " + DescribeReceived(pending_.front()).substr(2));
      }
      if (Outcome stop = Checked()) {
        return stop;
      }
      if (Clock::now() >= deadline) {
        return std::nullopt;
      }
      session_.WaitUntil(deadline);
    }
  }

  // The program tells the host nothing when it reads, so the ring is looked at again shortly,
  // as Send does while waiting for room.
  Outcome ExpectDrained() {
    HostSide& host = session_.Host();
    if (!host.HasPipeToProgram()) {
      return Stop{2, "no read pipe announced yet (announce read first)"};
    }
    const auto deadline = Deadline();
    for (;;) {
      if (Outcome stop = Checked()) {
        return stop;
      }
      const std::int32_t waiting = host.WaitingForProgram();
      if (waiting == 0) {
        return std::nullopt;
      }
      if (waiting < 0) {
        return Failed("the read pipe's indexes cannot be read");
      }
      if (Clock::now() >= deadline || Ended()) {
        return Failed("vantor1 left " + std::to_string(waiting) + " bytes unread in the read pipe");
      }
      session_.WaitUntil(std::min(deadline, Clock::now() + milliseconds(5)));
    }
  }

  Outcome ExpectRunning() {
    session_.Look();
    if (Outcome stop = Checked()) {
      return stop;
    }
    if (const auto status = session_.ProgramStatus()) {
      return Failed("vantor1 is not running: it " + Describe(*status));
    }
    return std::nullopt;
  }

  Outcome ExpectExit(int code) {
    exitAwaited_ = true;
    const auto deadline = Deadline();
    while (!Ended() && Clock::now() < deadline && !session_.Interrupted()) {
      session_.WaitUntil(deadline);
    }
    // The end may have been seen before the last messages were taken; a later "expect nothing"
    // must find everything the program wrote.
    session_.Look();
    if (Outcome stop = Checked()) {
      return stop;
    }
    const auto status = session_.ProgramStatus();
    if (!status) {
      return Failed("vantor1 still runs after " + std::to_string(options_.timeoutMs) + " ms");
    }
    if (!status->known) {
      return Stop{2, "the exit status of an attached program cannot be known"};
    }
    if (status->code != code) {
      return Failed("expected exit status " + std::to_string(code) + ", vantor1 " +
                    Describe(*status));
    }
    return std::nullopt;
  }

  Outcome ExpectBoards(std::size_t count) {
    const auto deadline = Deadline();
    for (;;) {
      if (Outcome stop = Checked()) {
        return stop;
      }
      if (model_.OpenBoards() == count) {
        return std::nullopt;
      }
      if (Clock::now() >= deadline || Ended()) {
        return Failed("expected " + std::to_string(count) + " boards open, " +
                      std::to_string(model_.OpenBoards()) + " are");
      }
      session_.WaitUntil(deadline);
    }
  }

  Session& session_;
  const RunOptions& options_;
  std::deque<WireMessage> pending_;  // received, not yet consumed by an expectation
  ServerModel model_;
  bool auto_ = false;
  bool exitAwaited_ = false;
  bool quitSent_ = false;
};

}  // namespace

RunResult RunScript(const std::vector<Command>& commands, Session& session,
                    const RunOptions& options) {
  Runner runner(session, options);
  int line = 0;
  for (const Command& command : commands) {
    line = command.line;
    if (options.verbose) {
      std::printf("> %s\n", command.source.c_str());
    }
    if (Outcome stop = runner.Run(command)) {
      return RunResult{stop->exitCode, line, stop->message};
    }
  }
  if (Outcome stop = runner.Finish()) {
    return RunResult{stop->exitCode, line, stop->message};
  }
  return RunResult{};
}

}  // namespace hostsim
