#include "tools/hostsim/session.h"

#include <algorithm>

namespace hostsim {

void Session::Deliver() {
  for (const WireMessage& message : host_.TakeIncoming()) {
    if (onMessage) {
      onMessage(message);
    }
  }
}

bool Session::AnnounceUntilTaken(std::int32_t index, std::int32_t ringSize, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  int step = 1;
  for (;;) {
    if (host_.Announce(index, ringSize)) {
      return true;
    }
    if (Clock::now() >= deadline || program_.Poll() || interrupted_) {
      return false;
    }
    WaitUntil(std::min(deadline, Clock::now() + std::chrono::milliseconds(step)));
    step = std::min(step * 2, 50);
  }
}

Result<void> Session::CreateAndAnnouncePipes(int timeoutMs) {
  Result<HostPipe*> toHost = host_.CreatePipe(PipeEnd::ToHost, kDefaultRingSize);
  Result<HostPipe*> toProgram =
      toHost ? host_.CreatePipe(PipeEnd::ToProgram, kDefaultRingSize) : toHost;
  if (!toProgram) {
    return Fail(toProgram.Code(), "cannot create the pipes: " + toProgram.Message());
  }
  // The program may still be starting: its queue appears when its loop begins.
  if (!AnnounceUntilTaken((*toHost)->Index(), (*toHost)->RingSize(), timeoutMs) ||
      !AnnounceUntilTaken((*toProgram)->Index(), (*toProgram)->RingSize(), timeoutMs)) {
    return Fail(ErrorCode::System,
                "the program did not take the pipes within " + std::to_string(timeoutMs) + " ms");
  }
  return {};
}

Result<void> WithSession(const Options& options, const ProgramStarter& start,
                         const std::function<void(Session&)>& body,
                         std::optional<ExitStatus>& status) {
  const auto interrupts = platform::TerminationSignals::Install();
  Result<std::unique_ptr<Program>> started = start();
  if (!started) {
    return started.Error();
  }
  const std::unique_ptr<Program> program = std::move(started).Take();
  const Result<std::unique_ptr<HostSide>> host =
      HostSide::Create(program->Thread(), options.indexBase);
  if (!host) {
    program->Terminate(options.timeoutMs);
    return host.Error();
  }
  Session session(**host, *program, interrupts.get());
  body(session);
  status = program->Terminate(options.timeoutMs);
  return {};
}

}  // namespace hostsim
