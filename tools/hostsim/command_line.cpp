#include "tools/hostsim/command_line.h"

#include <CLI/CLI.hpp>
#include <limits>

#include "res/version.h"

namespace hostsim {

namespace {

constexpr const char* kDescription =
    R"(Plays the host's side of vantor1's channel: creates and announces the shared-memory pipes,
writes the host's messages and reads what vantor1 writes, printing each message received as
  < KIND value N          (kinds 4 to 6)
  < KIND text "..."       (every other kind; the whole payload, C escapes))";

constexpr const char* kScriptLanguage =
    R"(Exit status: 0 every expectation held and vantor1 did not crash; 1 an expectation failed or
vantor1 crashed ("hostsim: line N: ..."); 2 a bad command line or script.

Script: one command a line; '#' starts a comment line (or ends the arguments of a command that
takes words). data, expect text, identity and line take the rest of the line after one space;
data and expect text read C escapes in it, identity and line take it exactly as written.
  announce read [SIZE]       create the next pipe to vantor1 (1, 3, ...) and announce it
  announce write [SIZE]      create the next pipe from vantor1 (2, 4, ...) and announce it
                             (SIZE: ring bytes, default 65536)
  announce-missing INDEX SIZE  announce a pipe whose objects do not exist (or, for an index
                             created already, announce it with another size)
  value KIND N               a value message (low 16 bits of N)
  data KIND TEXT             a data message: TEXT and a NUL
  raw HEX...                 these bytes as they stand, in one write, then a post
  identity NAME              argument message type 0, argument 0 NAME
  line TEXT                  argument message type 1, argument 0 TEXT (spaces kept)
  relation GAME LETTER       argument message type 43, arguments GAME and LETTER
  args TYPE "A0" "A1" ...    any argument message; C-quoted arguments
  quit                       the quit message (kind 1003, length 0)
  close GAME                 relation GAME X
  signal                     post "IPCDataReady" without writing
  sleep MS                   wait MS milliseconds, or until vantor1 ends (answering as usual)
  auto on | auto off         answer "observe NAME" for a player of an announced game with
                             'O' for that game, or 'X' when it is open already
  expect handshake           the next 1,404 messages are the registration, byte for byte
  expect text TEXT           the next kind-2 message is TEXT, a line feed and a NUL
  expect nothing MS          no message arrives within MS (0: none is left unread)
  expect drained             vantor1 takes every byte written to it so far
  expect running             vantor1 still runs
  expect exit CODE           vantor1 ends with status CODE
  expect boards N            N games are open through 'O' and not closed by 'X')";

// What the definitions fill in before it is checked as a whole.
struct Raw {
  std::vector<std::string> spawn;
  std::uint32_t attach = 0;
  std::int32_t indexBase = -1;
  std::string script;
  bool demo = false;
};

// A range whose bounds stay out of the help (the option's description gives them).
template <typename T>
CLI::Validator Within(T low, T high) {
  return CLI::Range(low, high).description("");
}

void Define(CLI::App& app, Options& o, Raw& raw) {
  cli::SetSynopsis(
      app, {"[OPTIONS] --spawn PROGRAM [ARGS...] SCRIPT", "[OPTIONS] --attach TID SCRIPT",
            "[OPTIONS] --demo (--spawn PROGRAM [ARGS...] | --attach TID)", "[OPTIONS] --bench N"});
  app.description(kDescription);
  app.footer(kScriptLanguage);
  CLI::Option* spawn = app.add_option("--spawn", raw.spawn,
                                      "start vantor1 (its main thread id is its process id); it\n"
                                      "is ended when the script is done unless the script\n"
                                      "awaited its exit. The words up to the next option are\n"
                                      "PROGRAM, its arguments and the script")
                           ->type_name("PROGRAM [ARGS...]");
  CLI::Option* attach =
      app.add_option("--attach", raw.attach,
                     "work with a vantor1 already running, by its main thread id")
          ->type_name("TID")
          ->check(Within<std::uint32_t>(1, std::numeric_limits<std::uint32_t>::max()));
  spawn->excludes(attach);
  app.add_option("--timeout-ms", o.timeoutMs, "bound of every wait (default 5000)")
      ->type_name("N")
      ->check(Within(1, 3600 * 1000));
  app.add_option("--index-base", raw.indexBase,
                 "pipe indexes are N+1, N+2, ... (N even; default: a base\n"
                 "private to this run, so that runs never share objects);\n"
                 "script indexes are relative to it")
      ->type_name("N")
      ->check(Within<std::int32_t>(0, std::numeric_limits<std::int32_t>::max() - 4096))
      ->check(CLI::Validator(
          [](const std::string& n) { return n.back() % 2 == 0 ? "" : std::string("must be even"); },
          ""));
  app.add_flag("-v,--verbose", o.verbose, "echo each script command and automatic answer");
  CLI::Option* demo = app.add_flag("--demo", raw.demo,
                                   "built-in traffic instead of a script (until vantor1 ends or\n"
                                   "Ctrl-C)");
  app.add_option("--rate", o.gamesPerMinute, "with --demo: games announced per minute (default 12)")
      ->type_name("GAMES_PER_MIN")
      ->check(Within(0.1, 6000.0))
      ->needs(demo);
  app.add_option("--name", o.userName,
                 "with --demo: the identity sent at the start (default visitor)")
      ->type_name("NAME")
      ->check(CLI::Validator(
          [](const std::string& n) { return n.empty() ? "wants a name" : std::string(); }, ""))
      ->needs(demo);
  app.add_option("--seed", o.seed, "with --demo: repeat a run's traffic")
      ->type_name("N")
      ->check(Within<std::uint32_t>(1, std::numeric_limits<std::uint32_t>::max()))
      ->needs(demo);
  app.add_option("--bench", o.benchCount,
                 "round trip of N game notifications through the program's\n"
                 "own queue, drain and policy in a child process, beside the\n"
                 "raw round trip of the thread message queue")
      ->type_name("N")
      ->check(Within(1, 10000000))
      ->excludes(spawn)
      ->excludes(attach)
      ->excludes(demo);
  app.add_option("SCRIPT", raw.script, "the script (after --attach TID, or last after --spawn)")
      ->type_name("");
}

// The modes and what each takes, once the words are sorted; a usage error's text or none.
std::optional<std::string> Settle(Options& o, Raw& raw) {
  if (raw.indexBase >= 0) {
    o.indexBase = raw.indexBase;
  }
  if (raw.attach != 0) {
    o.attachThread = raw.attach;
  }
  if (o.benchCount > 0) {
    o.mode = Mode::Bench;
    return raw.script.empty() ? std::nullopt
                              : std::optional<std::string>("--bench runs on its own: no script");
  }
  if (raw.spawn.empty() && !o.attachThread) {
    return "give either --spawn PROGRAM or --attach TID";
  }
  if (raw.demo) {
    o.mode = Mode::Demo;
    o.program = std::move(raw.spawn);
    return raw.script.empty() ? std::nullopt : std::optional<std::string>("--demo takes no script");
  }
  if (raw.script.empty() && raw.spawn.size() > 1) {
    raw.script = raw.spawn.back();
    raw.spawn.pop_back();
  }
  if (raw.script.empty()) {
    return o.attachThread ? "no script given" : "--spawn needs a program and a script";
  }
  o.scriptPath = std::move(raw.script);
  o.program = std::move(raw.spawn);
  return std::nullopt;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  ParsedCommandLine parsed;
  CLI::App app("", "hostsim");
  Raw raw;
  Define(app, parsed.options, raw);
  parsed.outcome = cli::Parse(app, args, VANTOR_VERSION);
  if (parsed.outcome.kind == cli::Outcome::Kind::Run) {
    if (std::optional<std::string> error = Settle(parsed.options, raw)) {
      parsed.outcome = {cli::Outcome::Kind::UsageError, std::move(*error)};
    }
  }
  return parsed;
}

}  // namespace hostsim
