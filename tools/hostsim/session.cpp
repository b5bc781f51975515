#include "tools/hostsim/session.h"

#include <poll.h>

#include <algorithm>

namespace hostsim {

void Session::Deliver() {
  for (const WireMessage& message : host_.TakeIncoming()) {
    if (onMessage) {
      onMessage(message);
    }
  }
}

void Session::WaitUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  const int timeout = static_cast<int>(std::clamp<long long>(left, 0, 3600 * 1000));
  const bool watchExit = program_.ExitDescriptor() >= 0 && !program_.Poll();
  pollfd fds[3] = {{host_.Descriptor(), POLLIN, 0},
                   {interrupts_ ? interrupts_->Descriptor() : -1, POLLIN, 0},
                   {watchExit ? program_.ExitDescriptor() : -1, POLLIN, 0}};
  const int n = poll(fds, 3, timeout);
  if (n < 0) {
    return;  // EINTR: the caller looks at the clock and comes back
  }
  if (fds[0].revents != 0) {
    Deliver();
  }
  if (fds[1].revents != 0) {
    interrupts_->Clear();
    interrupted_ = true;
  }
  // A program that ended may have written its last messages just before: take them first.
  if (program_.Poll()) {
    Deliver();
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
