#pragma once
#include <string>
#include <vector>

#include "tools/hostsim/script.h"
#include "tools/hostsim/session.h"

namespace hostsim {

struct RunOptions {
  int timeoutMs = 5000;       // bounds every wait of the script
  bool verbose = false;       // echo each command before it runs
  bool printMessages = true;  // print each message received
};

// What a run ends with: the exit status of hostsim (0 every expectation held, 1 one failed or
// the program crashed, 2 the script asked for something impossible) and, unless 0, why.
struct RunResult {
  int exitCode = 0;
  int line = 0;
  std::string message;
};

// Runs the commands against the session's program. Every message received is printed to
// stdout as DescribeReceived makes it (unless told not to). Leaves the program running; the caller
// ends it.
RunResult RunScript(const std::vector<Command>& commands, Session& session,
                    const RunOptions& options);

}  // namespace hostsim
