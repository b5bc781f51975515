#include "relay/options.h"

#include <charconv>

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

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
  ParsedOptions parsed;
  Options& o = parsed.options;
  auto fail = [&](std::string message) {
    parsed.error = std::move(message);
    return parsed;
  };
  bool haveServer = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--help" || arg == "-h") {
      o.mode = Options::Mode::Help;
      return parsed;
    }
    if (arg == "--version") {
      o.mode = Options::Mode::Version;
      return parsed;
    }
    if (arg == "--no-pause") {
      o.pause = false;
    } else if (arg == "--listen" || arg == "--vantor" || arg == "--attach") {
      if (!hasValue) {
        return fail(arg + " needs a value");
      }
      const std::string& value = args[++i];
      if (arg == "--listen") {
        const std::optional<Endpoint> listen = ParseEndpoint(value, o.listen.port);
        if (!listen) {
          return fail("--listen wants ADDR:PORT, not \"" + value + "\"");
        }
        o.listen = *listen;
      } else if (arg == "--vantor") {
        o.vantor = value;
      } else if (const auto tid = ParseNumber<std::uint32_t>(value); tid && *tid != 0) {
        o.attachTo = tid;
      } else {
        return fail("--attach wants a thread id, not \"" + value + "\"");
      }
    } else if (arg.starts_with("-")) {
      return fail("unknown option " + arg);
    } else if (haveServer) {
      return fail("one server only");
    } else if (const std::optional<Endpoint> server = ParseEndpoint(arg, kServerPort)) {
      o.server = *server;
      haveServer = true;
    } else {
      return fail("the server wants SERVER[:PORT], not \"" + arg + "\"");
    }
  }
  if (!o.vantor.empty() && o.attachTo) {
    return fail("--vantor and --attach exclude each other");
  }
  if (!haveServer) {
    return fail("which server? (SERVER[:PORT])");
  }
  return parsed;
}

const char* UsageText() {
  return R"(Usage: vantor1-relay [--listen ADDR:PORT] [--vantor PROGRAM | --attach TID] [--no-pause]
                     SERVER[:PORT]

Passes your chess client's session with SERVER (port 5000 unless given) through unchanged and
lets vantor1 open boards in it. Point your client at the relay instead of at the server.

  --listen ADDR:PORT  where clients connect (default 127.0.0.1:5000); an address other than
                      loopback lets other machines in, and is warned about
  --vantor PROGRAM    the vantor1 to start for each client session (default: the vantor1
                      installed beside this relay)
  --attach TID        work with the vantor1 already running with this thread id, for one
                      session at a time, instead of starting one
  --no-pause          let boards open while you play a game of your own
  --help, --version   this text, the version

One line on standard error reports each session event; SIGINT or SIGTERM ends every session.
)";
}

}  // namespace relay
