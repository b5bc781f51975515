#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/parse.h"

namespace hostsim {

enum class Mode { Script, Demo, Bench };

struct Options {
  Mode mode = Mode::Script;
  int timeoutMs = 5000;
  std::optional<std::int32_t> indexBase;  // even; none: one private to this run
  bool verbose = false;
  std::vector<std::string> program;           // --spawn: the program and its arguments
  std::optional<std::uint32_t> attachThread;  // --attach
  std::string scriptPath;
  // --demo
  double gamesPerMinute = 12;
  std::string userName = "visitor";
  std::uint32_t seed = 0;  // 0: a fresh one each run
  // --bench
  int benchCount = 0;
};

struct ParsedCommandLine {
  Options options;
  cli::Outcome outcome;  // Kind::Run: `options` hold the command line
};

// hostsim [OPTIONS] --spawn PROGRAM [ARGS...] SCRIPT
// hostsim [OPTIONS] --attach TID SCRIPT
// hostsim [OPTIONS] --demo (--spawn PROGRAM [ARGS...] | --attach TID)
// hostsim [OPTIONS] --bench N
// The words after --spawn up to the next one that starts with '-' are the program, its
// arguments and (without --demo) the script last; hostsim's own options may follow them, so
// that a wrapper can pass them on.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace hostsim
