#pragma once
// One way for every program here to read its command line: CLI11 definitions, parsed into a
// result. Parsing lives with the programs (app/, relay/, tools/), never in the core.
#include <string>
#include <vector>

namespace CLI {
class App;
}  // namespace CLI

namespace cli {

struct Outcome {
  enum class Kind { Run, Help, Version, UsageError };
  Kind kind = Kind::Run;
  // Help: the usage generated from the definitions. Version: "PROGRAM VERSION". UsageError: what
  // is wrong, one line.
  std::string text;
};

// Parses `args` (the program's name left out) with the definitions in `app`; --help and
// --version are defined here. Never throws.
Outcome Parse(CLI::App& app, const std::vector<std::string>& args, const std::string& version);

// Lays the generated --help out as "Usage:" with these synopsis lines (the program's name left
// out), the description, the options with their value names, and the footer.
void SetSynopsis(CLI::App& app, std::vector<std::string> synopsis);

// Prints Help and Version on stdout, a usage error as one line "PROGRAM: TEXT (PROGRAM --help
// shows the usage)" on stderr. The exit status: 0, or 2 for a usage error.
int Report(const Outcome& outcome, const std::string& program);

}  // namespace cli
