#include "tools/hostsim/command_line.h"

#include <charconv>
#include <limits>

namespace hostsim {

namespace {

// The faults found in the command line: the first is kept and reported.
struct Faults {
  std::optional<std::string> first;
  void Add(std::string message) {
    if (!first) {
      first = std::move(message);
    }
  }
};

// The value after the option at args[i]; T{} and a fault when it is missing or bad.
template <typename T>
T Number(const std::vector<std::string>& args, std::size_t& i, T low, T high, Faults& faults) {
  const std::string& option = args[i];
  if (i + 1 == args.size()) {
    faults.Add(option + " needs a value");
    return T{};
  }
  const std::string& text = args[++i];
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    faults.Add("bad value for " + option + ": \"" + text + "\"");
    return T{};
  }
  return value;
}

// One of hostsim's options at args[i]; false when args[i] is none of them.
bool TakeOption(const std::vector<std::string>& args, std::size_t& i, Options& options,
                Faults& faults) {
  const std::string& a = args[i];
  if (a == "--timeout-ms") {
    options.timeoutMs = Number<int>(args, i, 1, 3600 * 1000, faults);
  } else if (a == "--index-base") {
    options.indexBase =
        Number<std::int32_t>(args, i, 0, std::numeric_limits<std::int32_t>::max() - 4096, faults);
    if (*options.indexBase % 2 != 0) {
      faults.Add("--index-base must be even");
    }
  } else if (a == "--verbose" || a == "-v") {
    options.verbose = true;
  } else if (a == "--rate") {
    options.gamesPerMinute = Number<double>(args, i, 0.1, 6000, faults);
  } else if (a == "--name") {
    if (i + 1 == args.size() || args[i + 1].empty()) {
      faults.Add("--name needs a value");
    } else {
      options.userName = args[++i];
    }
  } else if (a == "--seed") {
    options.seed =
        Number<std::uint32_t>(args, i, 1, std::numeric_limits<std::uint32_t>::max(), faults);
  } else if (a == "--demo") {
    options.mode = Mode::Demo;
  } else if (a == "--bench") {
    options.mode = Mode::Bench;
    options.benchCount = Number<int>(args, i, 1, 10000000, faults);
  } else if (a == "--help" || a == "-h") {
    options.mode = Mode::Help;
  } else if (a == "--version") {
    options.mode = Mode::Version;
  } else {
    return false;
  }
  return true;
}

// What the arguments after the options say; a fault in `faults`.
void ParseRest(std::vector<std::string> rest, bool spawn, Options& options, Faults& faults);

void Parse(const std::vector<std::string>& args, Options& options, Faults& faults) {
  std::size_t i = 0;
  std::vector<std::string> rest;
  bool spawn = false;
  for (; i < args.size() && !faults.first; ++i) {
    if (args[i] == "--spawn") {
      spawn = true;
      rest.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    }
    if (args[i] == "--attach") {
      options.attachThread =
          Number<std::uint32_t>(args, i, 1, std::numeric_limits<std::uint32_t>::max(), faults);
    } else if (!TakeOption(args, i, options, faults)) {
      if (args[i].starts_with("-") || options.mode != Mode::Script || !options.attachThread) {
        faults.Add("unknown argument \"" + args[i] + "\"");
        return;
      }
      rest.push_back(args[i]);  // the script after --attach TID
    }
  }
  if (!faults.first && options.mode != Mode::Help && options.mode != Mode::Version) {
    ParseRest(std::move(rest), spawn, options, faults);
  }
}

void ParseRest(std::vector<std::string> rest, bool spawn, Options& options, Faults& faults) {
  if (options.mode == Mode::Bench) {
    if (spawn || options.attachThread || !rest.empty()) {
      faults.Add("--bench runs on its own: no --spawn, --attach or script");
    }
    return;
  }
  if (spawn == options.attachThread.has_value()) {
    faults.Add("give either --spawn PROGRAM or --attach TID");
    return;
  }
  if (options.mode == Mode::Demo) {
    if (spawn) {
      for (std::size_t k = 0; k < rest.size(); ++k) {
        if (k == 0 || !rest[k].starts_with("--") || !TakeOption(rest, k, options, faults)) {
          options.program.push_back(rest[k]);
        }
      }
      if (options.program.empty()) {
        faults.Add("--spawn needs a program");
      }
    } else if (!rest.empty()) {
      faults.Add("--demo takes no script");
    }
    return;
  }
  if (spawn && rest.size() < 2) {
    faults.Add("--spawn needs a program and a script");
  } else if (rest.empty()) {
    faults.Add("no script given");
  } else if (!spawn && rest.size() > 1) {
    faults.Add("more than one script given");
  }
  if (faults.first) {
    return;
  }
  options.scriptPath = rest.back();
  rest.pop_back();
  options.program = std::move(rest);
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  ParsedCommandLine parsed;
  Faults faults;
  Parse(args, parsed.options, faults);
  parsed.error = std::move(faults.first);
  return parsed;
}

const char* UsageText() {
  return R"(usage:
  hostsim [OPTIONS] --spawn PROGRAM [ARGS...] SCRIPT
  hostsim [OPTIONS] --attach TID SCRIPT
  hostsim [OPTIONS] --demo (--spawn PROGRAM [ARGS...] | --attach TID)
  hostsim [OPTIONS] --bench N

Plays the host's side of vantor1's channel: creates and announces the shared-memory pipes,
writes the host's messages and reads what vantor1 writes, printing each message received as
  < KIND value N          (kinds 4 to 6)
  < KIND text "..."       (every other kind; the whole payload, C escapes)

  --spawn PROGRAM [ARGS...]  start vantor1 (its main thread id is its process id); it is
                             ended when the script is done unless the script awaited its exit
  --attach TID               work with a vantor1 already running, by its main thread id
  --timeout-ms N             bound of every wait (default 5000)
  --index-base N             pipe indexes are N+1, N+2, ... (N even; default: a base private
                             to this run, so that runs never share objects); script indexes
                             are relative to it
  --verbose, -v              echo each script command and automatic answer
  --demo                     built-in traffic instead of a script (until vantor1 ends or Ctrl-C)
    --rate GAMES_PER_MIN     games announced per minute (default 12)
    --name NAME              the identity sent at the start (default visitor)
    --seed N                 repeat a run's traffic
  --bench N                  round trip of N game notifications through the program's own
                             queue, drain and policy in a child process, beside the raw round
                             trip of the thread message queue
  --help                     this text
  --version                  hostsim's version

Exit status: 0 every expectation held and vantor1 did not crash; 1 an expectation failed or
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
  expect boards N            N games are open through 'O' and not closed by 'X'
)";
}

}  // namespace hostsim
