#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "hostside/host_side.h"
#include "platform/process.h"
#include "platform/termination_signals.h"
#include "tools/hostsim/command_line.h"
#include "tools/hostsim/describe.h"

namespace hostsim {

// hostsim plays the host through hostside, and starts its program with platform's starter.
using namespace hostside;
using platform::Describe;
using platform::EndedByInterrupt;
using platform::EndedByStop;
using platform::ExitStatus;
using platform::Program;

// The conversation with one program: its messages, its end and the user's Ctrl-C, all
// awaited in one wait of the OS and nothing else (no timers, no polling): poll() on POSIX,
// MsgWaitForMultipleObjects on Windows (session_wait_*.cpp).
class Session {
 public:
  using Clock = std::chrono::steady_clock;

  // `interrupts` (none: not watched) makes the user's Ctrl-C an event rather than hostsim's end.
  Session(HostSide& host, Program& program, platform::TerminationSignals* interrupts)
      : host_(host), program_(program), interrupts_(interrupts) {}

  // Receives every message from the program, in order of arrival.
  std::function<void(const WireMessage&)> onMessage;

  // Waits for something to happen (messages, the program's end, an interrupt) or the
  // deadline, and handles what happened. Returns at once when the deadline has passed.
  void WaitUntil(Clock::time_point deadline);
  void WaitFor(int milliseconds) {
    WaitUntil(Clock::now() + std::chrono::milliseconds(milliseconds));
  }
  // Handles what is pending without waiting.
  void Look() { WaitUntil(Clock::now()); }

  // Posts "IPCNewPipe" until a post gets through, for up to timeoutMs: the program's queue
  // may not exist yet while it starts. False when none did.
  bool AnnounceUntilTaken(std::int32_t index, std::int32_t ringSize, int timeoutMs);
  // Creates a pipe to the host and one to the program, of the default size, and announces both
  // as above.
  Result<void> CreateAndAnnouncePipes(int timeoutMs);

  std::optional<ExitStatus> ProgramStatus() { return program_.Poll(); }
  bool Interrupted() const { return interrupted_; }
  HostSide& Host() { return host_; }
  Program& Target() { return program_; }

 private:
  void Deliver();

  HostSide& host_;
  Program& program_;
  platform::TerminationSignals* interrupts_ = nullptr;
  bool interrupted_ = false;
};

using ProgramStarter = std::function<Result<std::unique_ptr<Program>>()>;

// The set-up of every mode: makes hostsim's own SIGINT, SIGTERM and SIGHUP events (before the
// program starts, so that hostsim can end it first), starts or attaches to the program with
// `start`, makes the host's side for it (at options.indexBase), runs `body` in a session, and
// then ends a spawned program, leaving its status in `status`. Fails with what stopped the
// set-up.
Result<void> WithSession(const Options& options, const ProgramStarter& start,
                         const std::function<void(Session&)>& body,
                         std::optional<ExitStatus>& status);

}  // namespace hostsim
