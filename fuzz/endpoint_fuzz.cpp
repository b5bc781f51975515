// The relay's command line as a user (or a script built from someone else's text) may type it:
// endpoints in every shape, and whole argument lists. Input: a first byte that picks the part,
// then for an endpoint two bytes of default port and the text, for a command line arguments
// separated by NUL bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "relay/options.h"

namespace {

// The endpoint written back the way a user would type it.
std::string Format(const relay::Endpoint& endpoint) {
  const bool brackets =
      endpoint.host.find(':') != std::string::npos || endpoint.host.starts_with('[');
  return (brackets ? "[" + endpoint.host + "]" : endpoint.host) + ":" +
         std::to_string(endpoint.port);
}

void CheckEndpoint(std::string_view text, std::uint16_t defaultPort) {
  const std::optional<relay::Endpoint> endpoint = relay::ParseEndpoint(text, defaultPort);
  if (!endpoint) {
    return;
  }
  // A host is never empty, and what was parsed reads back as itself.
  if (endpoint->host.empty() || endpoint->host.size() > text.size() ||
      relay::ParseEndpoint(Format(*endpoint), static_cast<std::uint16_t>(defaultPort + 1)) !=
          endpoint) {
    std::abort();
  }
}

void CheckCommandLine(std::string_view text) {
  std::vector<std::string> args;
  std::size_t start = 0;
  while (start <= text.size() && args.size() < 64) {
    const std::size_t end = std::min(text.find('\0', start), text.size());
    args.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  const relay::ParsedOptions parsed = relay::ParseOptions(args);
  if (parsed.outcome.kind == cli::Outcome::Kind::Run &&
      (parsed.options.server.host.empty() || parsed.options.listen.host.empty())) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) {
    return 0;
  }
  const std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);
  if (data[0] & 1) {
    CheckCommandLine(text);
  } else {
    CheckEndpoint(text, static_cast<std::uint16_t>(data[1] << 8 | data[2]));
  }
  return 0;
}
