#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "hostside/host_side.h"
#include "tools/hostsim/describe.h"
#include "tools/hostsim/program.h"

namespace hostsim {

// hostsim plays the host through hostside.
using namespace hostside;

// Makes SIGINT, SIGTERM and SIGHUP readable on the returned descriptor instead of ending hostsim,
// so that it can end the program it started first. Call once, before any session starts.
int InstallInterruptPipe();

// The conversation with one program: its messages, its end and the user's Ctrl-C, all
// awaited in one poll() and nothing else (no timers, no polling).
class Session {
 public:
  using Clock = std::chrono::steady_clock;

  Session(HostSide& host, Program& program, int interruptFd)
      : host_(host), program_(program), interruptFd_(interruptFd) {}

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
  // as above. An empty text on success, else what went wrong.
  std::string CreateAndAnnouncePipes(int timeoutMs);

  std::optional<ExitStatus> ProgramStatus() { return program_.Poll(); }
  bool Interrupted() const { return interrupted_; }
  HostSide& Host() { return host_; }
  Program& Target() { return program_; }

 private:
  void Deliver();

  HostSide& host_;
  Program& program_;
  int interruptFd_ = -1;
  bool interrupted_ = false;
};

}  // namespace hostsim
