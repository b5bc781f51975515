// hostsim: plays the host's side of vantor1's channel from a script, as a demo, or as a
// benchmark. tools/hostsim/command_line.cpp defines the command line and describes the script
// language.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "tools/hostsim/bench.h"
#include "tools/hostsim/command_line.h"
#include "tools/hostsim/demo.h"
#include "tools/hostsim/script.h"
#include "tools/hostsim/script_runner.h"
#include "tools/hostsim/session.h"

namespace {

using namespace hostsim;

// What keeps a run from starting that the command line or script names (a script that cannot
// be read, a program that does not start or take its pipes): status 2, with its reason.
int CannotRun(const std::string& reason) {
  std::fprintf(stderr, "hostsim: %s\n", reason.c_str());
  return 2;
}

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A spawned program that hostsim ended, or that the user's Ctrl-C or hang-up reached with
// hostsim, did not crash.
bool EndedByUs(const std::optional<ExitStatus>& status) {
  return !status || EndedByStop(*status);
}

Result<void> WithProgram(const Options& options, const std::function<void(Session&)>& body,
                         std::optional<ExitStatus>& status) {
  return WithSession(
      options,
      [&options]() -> Result<std::unique_ptr<Program>> {
        if (options.attachThread) {
          return Program::Attach(*options.attachThread);
        }
        return Made([&](std::string& error) { return Program::Spawn(options.program, error); });
      },
      body, status);
}

int RunScriptMode(const Options& options) {
  const auto source = ReadFile(options.scriptPath);
  if (!source) {
    return CannotRun("cannot read the script " + options.scriptPath + ": " + std::strerror(errno));
  }
  const ParsedScript script = ParseScript(*source);
  if (script.error) {
    std::fprintf(stderr, "hostsim: line %d: %s\n", script.error->line,
                 script.error->message.c_str());
    return 2;
  }
  for (const Command& command : script.commands) {
    if (command.op == Op::ExpectExit && options.attachThread) {
      std::fprintf(stderr, "hostsim: line %d: expect exit needs a program started by --spawn\n",
                   command.line);
      return 2;
    }
  }
  RunResult result;
  std::optional<ExitStatus> status;
  if (const Result<void> ran = WithProgram(
          options,
          [&](Session& session) {
            result = RunScript(script.commands, session, {options.timeoutMs, options.verbose});
          },
          status);
      !ran) {
    return CannotRun(ran.Message());
  }
  if (result.exitCode == 0 && !EndedByUs(status)) {
    result = RunResult{1, result.line, "vantor1 " + Describe(*status) + " while ending"};
  }
  if (result.exitCode != 0) {
    std::fprintf(stderr, "hostsim: line %d: %s\n", result.line, result.message.c_str());
  }
  return result.exitCode;
}

int RunDemoMode(const Options& options) {
  int code = 0;
  std::optional<ExitStatus> status;
  if (const Result<void> ran = WithProgram(
          options, [&](Session& session) { code = RunDemo(session, options); }, status);
      !ran) {
    return CannotRun(ran.Message());
  }
  if (!EndedByUs(status)) {
    std::fprintf(stderr, "hostsim: vantor1 %s\n", Describe(*status).c_str());
    return 1;
  }
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const ParsedCommandLine parsed =
      ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (parsed.outcome.kind != cli::Outcome::Kind::Run) {
    return cli::Report(parsed.outcome, "hostsim");
  }
  const Options& options = parsed.options;
  switch (options.mode) {
    case Mode::Bench:
      return RunBench(options);
    case Mode::Demo:
      return RunDemoMode(options);
    case Mode::Script:
      return RunScriptMode(options);
  }
  return 2;
}
