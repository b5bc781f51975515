#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "hostlink/ipc_pipe.h"
#include "hostside/host_pipe.h"

namespace hostside {

// A read end and a write end in one process, for tests, benchmarks and the fuzz target: the
// host's pipes from this process's private block, and the program's CIpcPipe opened on each.
// Bytes move through the rings directly; nothing is announced.
class Loopback {
 public:
  explicit Loopback(std::int32_t ringSize = 4096);

  // Both pipes were created and both ends opened.
  bool Opened() const { return opened_; }

  // The host writes all of `bytes` into the read end in one locked write, or nothing.
  bool Put(std::span<const std::uint8_t> bytes);
  // The texts of the kind-2 messages that the write end holds, without their NULs, taken out;
  // a malformed frame ends the list with "<bad frame>".
  std::vector<std::string> TakeCommands();

  std::unique_ptr<HostPipe> toProgram;  // the host writes here; readPipe takes it out
  std::unique_ptr<HostPipe> toHost;     // writePipe stores here; the host takes it out
  CIpcPipe readPipe;
  CIpcPipe writePipe;

 private:
  bool opened_ = false;
};

}  // namespace hostside
