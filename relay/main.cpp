// vantor1-relay: passes a chess client's session with a server through and plays the host's
// part for vantor1. UsageText() describes the command line.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/termination_signals.h"
#include "relay/options.h"
#include "relay/relay.h"
#include "res/version.h"

namespace {

// The vantor1 installed in the same directory as this program.
std::string VantorBesideUs() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) {
    return "vantor1";
  }
  std::string self(path, static_cast<std::size_t>(n));
  return self.substr(0, self.rfind('/') + 1) + "vantor1";
}

}  // namespace

int main(int argc, char** argv) {
  using relay::Options;
  const relay::ParsedOptions parsed =
      relay::ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (parsed.error) {
    std::fprintf(stderr, "vantor1-relay: %s\n(vantor1-relay --help shows the usage)\n",
                 parsed.error->c_str());
    return 2;
  }
  const Options& options = parsed.options;
  if (options.mode == Options::Mode::Help) {
    std::fputs(relay::UsageText(), stdout);
    return 0;
  }
  if (options.mode == Options::Mode::Version) {
    std::printf("vantor1-relay %s\n", VANTOR_VERSION);
    return 0;
  }
  // SIGINT, SIGTERM and SIGHUP become readable here, so that the loop ends every session and
  // vantor1 before the relay goes.
  const std::unique_ptr<platform::TerminationSignals> stop =
      platform::TerminationSignals::Install();
  std::string error = stop ? "" : "cannot catch the termination signals";
  const std::unique_ptr<relay::Relay> relay = relay::Relay::Create(
      options, options.vantor.empty() ? VantorBesideUs() : options.vantor, error);
  if (!relay || !stop) {
    std::fprintf(stderr, "vantor1-relay: %s\n", error.c_str());
    return 1;
  }
  if (!relay::IsLoopback(relay->Listening())) {
    relay::Report("warning: listening on " + relay::Describe(relay->Listening()) +
                  ", which other machines can reach; anyone who connects plays on your server "
                  "connection");
  }
  relay::Report("listening on " + relay::Describe(relay->Listening()) + " for " +
                relay::Describe(relay->Server()));
  return relay->Run(stop->Descriptor());
}
