#pragma once
#include <functional>

#include "tools/hostsim/command_line.h"

namespace hostsim {

// --bench N: the round trip from writing a game notification for a followed player to
// receiving its observe command, through the program's own queue, drain and policy running in
// a child process, beside the raw round trip of the thread message queue to a second child.
// Its last line:
//   round trip p50 A us p99 B us; raw p50 C us p99 D us; ratio p50 R
int RunBench(const Options& options);

// The program side of a benchmark, run in a forked child: `main` attaches as vantor1 does and
// follows "alpha". With `followsThroughCommand` it does so through its follow list, and the host
// awaits its "+gnotify alpha" after the handshake. The raw round trip is measured against a
// Qt-free stand-in forked beside it. `inChild` runs first in each child (to pin it to a CPU).
struct BenchProgram {
  std::function<int()> main;
  bool followsThroughCommand = false;
  std::function<void()> inChild;
};
int RunBench(const Options& options, const BenchProgram& program);

}  // namespace hostsim
