#pragma once
#include "tools/hostsim/command_line.h"

namespace hostsim {

// --bench N: the round trip from writing a game notification for a followed player to
// receiving its observe command, through the program's own queue, drain and policy running in
// a child process, beside the raw round trip of the thread message queue. Its last line:
//   round trip p50 A us p99 B us; raw p50 C us p99 D us; ratio p50 R
int RunBench(const Options& options);

}  // namespace hostsim
