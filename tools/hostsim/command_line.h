#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hostsim {

enum class Mode { Script, Demo, Bench, Help, Version };

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
  std::optional<std::string> error;
};

// hostsim [OPTIONS] --spawn PROGRAM [ARGS...] SCRIPT
// hostsim [OPTIONS] --attach TID SCRIPT
// hostsim [OPTIONS] --demo (--spawn PROGRAM [ARGS...] | --attach TID)
// hostsim [OPTIONS] --bench N
// Options come before --spawn; with --demo, hostsim's own options may also follow PROGRAM
// (the program itself takes none), so that a wrapper can pass them on.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

const char* UsageText();

}  // namespace hostsim
