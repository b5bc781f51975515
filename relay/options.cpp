#include "relay/options.h"

#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "res/version.h"

namespace relay {

namespace {
constexpr std::uint16_t kServerPort = 5000;

template <typename T>
std::optional<T> ParseNumber(std::string_view text) {
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

// Why the file at `path` cannot be run; none when it can.
std::optional<std::string> FileProblem(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    return path + ": " + std::strerror(errno);
  }
  if (!S_ISREG(info.st_mode)) {
    return path + ": not a file";
  }
  if (access(path.c_str(), X_OK) != 0) {
    return path + ": " + std::strerror(errno);
  }
  return std::nullopt;
}

// What the definitions fill in before it is converted into Options.
struct Raw {
  std::string listen;
  std::string server;
  std::uint32_t attach = 0;
};

// The definitions of the command line, filling `o` and `raw`.
void Define(CLI::App& app, Options& o, Raw& raw) {
  cli::SetSynopsis(app, {"[--listen ADDR:PORT] [--vantor PROGRAM | --attach TID] [--no-pause]\n"
                         "                     [--client COMMAND] SERVER[:PORT]"});
  app.description(
      "Passes your chess client's session with SERVER (port 5000 unless given) through\n"
      "unchanged and lets vantor1 open boards in it. Point your client at the relay instead\n"
      "of at the server, or have the relay start it with --client.");
  auto endpoint = [](std::uint16_t port, const char* wants) {
    return CLI::Validator(
        [port, wants](const std::string& text) {
          return ParseEndpoint(text, port) ? std::string() : wants + (", not \"" + text + "\"");
        },
        "");
  };
  app.add_option("--listen", raw.listen,
                 "where clients connect (default 127.0.0.1:5000); an address\n"
                 "other than loopback lets other machines in, and is warned about")
      ->type_name("ADDR:PORT")
      ->check(endpoint(o.listen.port, "wants ADDR:PORT"));
  CLI::Option* vantor =
      app.add_option("--vantor", o.vantor,
                     "the vantor1 to start for each client session (default: the\n"
                     "vantor1 installed beside this relay); checked at start")
          ->type_name("PROGRAM")
          ->check(CLI::Validator(
              [](const std::string& program) { return ProgramProblem(program).value_or(""); }, ""));
  CLI::Option* attach = app.add_option("--attach", raw.attach,
                                       "work with the vantor1 already running with this thread\n"
                                       "id, for one session at a time, instead of starting one")
                            ->type_name("TID")
                            ->check(CLI::Range(1u, 0xFFFFFFFFu).description(""));
  vantor->excludes(attach);
  app.add_flag_callback(
      "--no-pause", [&o] { o.pause = false; }, "let boards open while you play a game of your own");
  app.add_option("--client", o.client,
                 "start your chess client with /bin/sh -c COMMAND, %h and %p in it\n"
                 "replaced by the relay's address and port; the relay ends, with\n"
                 "every session, when the client ends")
      ->type_name("COMMAND")
      ->check(CLI::Validator(
          [](const std::string& c) { return c.empty() ? "wants a command" : std::string(); }, ""));
  app.add_option("SERVER", raw.server, "the chess server, SERVER[:PORT]")
      ->type_name("")
      ->required()
      ->check(endpoint(kServerPort, "wants SERVER[:PORT]"));
  app.footer(
      "For example, with xboard as the client:\n"
      "  vantor1-relay --client 'xboard -ics -icshost %h -icsport %p' chess.example.org\n\n"
      "One line on standard error reports each session event; SIGINT or SIGTERM ends every\n"
      "session.");
}

}  // namespace

std::optional<Endpoint> ParseEndpoint(std::string_view text, std::uint16_t defaultPort) {
  Endpoint endpoint{std::string(text), defaultPort};
  std::string_view host = text;
  std::optional<std::string_view> port;
  if (text.starts_with('[')) {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) {
      return std::nullopt;
    }
    host = text.substr(1, close - 1);
    if (close + 1 < text.size()) {
      if (text[close + 1] != ':') {
        return std::nullopt;
      }
      port = text.substr(close + 2);
    }
  } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
    if (text.find(':') != colon) {
      return std::nullopt;  // an IPv6 address needs its brackets here
    }
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
  }
  if (host.empty()) {
    return std::nullopt;
  }
  endpoint.host = host;
  if (port) {
    const std::optional<std::uint16_t> number = ParseNumber<std::uint16_t>(*port);
    if (!number) {
      return std::nullopt;
    }
    endpoint.port = *number;
  }
  return endpoint;
}

std::optional<std::string> ProgramProblem(const std::string& program) {
  if (program.empty()) {
    return "no program named";
  }
  if (program.find('/') != std::string::npos) {
    return FileProblem(program);
  }
  // Found the way the relay will start it: through PATH.
  const char* path = std::getenv("PATH");
  std::string_view dirs = path != nullptr ? path : "/usr/bin:/bin";
  while (!dirs.empty()) {
    const std::size_t colon = std::min(dirs.find(':'), dirs.size());
    const std::string dir(dirs.substr(0, colon));
    if (!FileProblem((dir.empty() ? "." : dir) + "/" + program)) {
      return std::nullopt;
    }
    dirs.remove_prefix(std::min(colon + 1, dirs.size()));
  }
  return program + ": not found in PATH";
}

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
  ParsedOptions parsed;
  CLI::App app("", "vantor1-relay");
  Raw raw;
  Define(app, parsed.options, raw);
  parsed.outcome = cli::Parse(app, args, VANTOR_VERSION);
  Options& o = parsed.options;
  if (parsed.outcome.kind == cli::Outcome::Kind::Run) {
    // Checked by the definitions.
    if (!raw.listen.empty()) {
      o.listen = *ParseEndpoint(raw.listen, o.listen.port);
    }
    o.server = *ParseEndpoint(raw.server, kServerPort);
    if (raw.attach != 0) {
      o.attachTo = raw.attach;
    }
  }
  return parsed;
}

}  // namespace relay
