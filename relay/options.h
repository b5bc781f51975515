#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace relay {

struct Endpoint {
  std::string host;
  std::uint16_t port = 0;
  bool operator==(const Endpoint&) const = default;
};
// "HOST", "HOST:PORT" or "[IPV6]:PORT"; none for an empty host or a port outside 0..65535.
std::optional<Endpoint> ParseEndpoint(std::string_view text, std::uint16_t defaultPort);

struct Options {
  enum class Mode { Run, Help, Version };
  Mode mode = Mode::Run;
  Endpoint listen{"127.0.0.1", 5000};
  Endpoint server;
  std::string vantor;                     // the program to start; empty: the one beside the relay
  std::optional<std::uint32_t> attachTo;  // a running vantor1's thread instead
  bool pause = true;
};

struct ParsedOptions {
  Options options;
  std::optional<std::string> error;
};
ParsedOptions ParseOptions(const std::vector<std::string>& args);
const char* UsageText();

}  // namespace relay
