#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/parse.h"

namespace relay {

struct Endpoint {
  std::string host;
  std::uint16_t port = 0;
  bool operator==(const Endpoint&) const = default;
};
// "HOST", "HOST:PORT" or "[IPV6]:PORT"; none for an empty host or a port outside 0..65535.
std::optional<Endpoint> ParseEndpoint(std::string_view text, std::uint16_t defaultPort);

struct Options {
  Endpoint listen{"127.0.0.1", 5000};
  Endpoint server;
  std::string vantor;                     // the program to start; empty: the one beside the relay
  std::optional<std::uint32_t> attachTo;  // a running vantor1's thread instead
  bool pause = true;
  std::string client;  // --client: the user's client, started by the relay; empty: none
};

struct ParsedOptions {
  Options options;
  cli::Outcome outcome;  // Kind::Run: `options` hold the command line
};
ParsedOptions ParseOptions(const std::vector<std::string>& args);

// Why `program` cannot be started (not found in PATH or at its path, not a file, not
// executable); none when it can.
std::optional<std::string> ProgramProblem(const std::string& program);

}  // namespace relay
