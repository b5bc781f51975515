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

std::string Session::CreateAndAnnouncePipes(int timeoutMs) {
  std::string error;
  HostPipe* toHost = host_.CreatePipe(PipeEnd::ToHost, kDefaultRingSize, error);
  HostPipe* toProgram =
      toHost ? host_.CreatePipe(PipeEnd::ToProgram, kDefaultRingSize, error) : nullptr;
  if (!toProgram) {
    return "cannot create the pipes: " + error;
  }
  // The program may still be starting: its queue appears when its loop begins.
  if (!AnnounceUntilTaken(toHost->Index(), toHost->RingSize(), timeoutMs) ||
      !AnnounceUntilTaken(toProgram->Index(), toProgram->RingSize(), timeoutMs)) {
    return "the program did not take the pipes within " + std::to_string(timeoutMs) + " ms";
  }
  return {};
}

std::string WithSession(const Options& options, const ProgramStarter& start,
                        const std::function<void(Session&)>& body,
                        std::optional<ExitStatus>& status) {
  const auto interrupts = platform::TerminationSignals::Install();
  std::string error;
  const std::unique_ptr<Program> program = start(error);
  if (!program) {
    return error;
  }
  const std::unique_ptr<HostSide> host =
      HostSide::Create(program->Thread(), options.indexBase, error);
  if (!host) {
    program->Terminate(options.timeoutMs);
    return error;
  }
  Session session(*host, *program, interrupts.get());
  body(session);
  status = program->Terminate(options.timeoutMs);
  return {};
}

}  // namespace hostsim
