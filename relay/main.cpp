// vantor1-relay: passes a chess client's session with a server through and plays the host's
// part for vantor1. relay/options.cpp defines the command line.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/termination_signals.h"
#include "relay/client_command.h"
#include "relay/options.h"
#include "relay/relay.h"

namespace {

constexpr int kClientEndTimeoutMs = 2000;

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

int Fail(const std::string& reason) {
  std::fprintf(stderr, "vantor1-relay: %s\n", reason.c_str());
  return 1;
}

// --client: the user's client, pointed at the relay.
hostside::Result<std::unique_ptr<platform::Program>> StartClient(const std::string& pattern,
                                                                 const relay::Address& listening) {
  const std::optional<relay::Endpoint> at = relay::ParseEndpoint(relay::Describe(listening), 0);
  const std::string command = relay::ClientCommand(pattern, relay::ClientTarget(*at));
  hostside::Result<std::unique_ptr<platform::Program>> client =
      hostside::Made([&](std::string& error) {
        return platform::Program::Spawn({"/bin/sh", "-c", command}, error);
      });
  if (client) {
    relay::Report("client started (pid " + std::to_string((*client)->Thread()) + "): " + command);
  }
  return client;
}

}  // namespace

int main(int argc, char** argv) {
  const relay::ParsedOptions parsed =
      relay::ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (parsed.outcome.kind != cli::Outcome::Kind::Run) {
    return cli::Report(parsed.outcome, "vantor1-relay");
  }
  const relay::Options& options = parsed.options;
  // --vantor was checked with the command line; the default is checked here, so that a relay
  // without its vantor1 says so at once rather than at every session. Not a usage error: 1.
  const std::string vantor = options.vantor.empty() ? VantorBesideUs() : options.vantor;
  if (const auto problem = options.attachTo ? std::nullopt : relay::ProgramProblem(vantor)) {
    return Fail("cannot start vantor1: " + *problem + " (--vantor PROGRAM names another)");
  }
  // SIGINT, SIGTERM and SIGHUP become readable here, so that the loop ends every session and
  // vantor1 before the relay goes.
  const std::unique_ptr<platform::TerminationSignals> stop =
      platform::TerminationSignals::Install();
  if (!stop) {
    return Fail("cannot catch the termination signals");
  }
  hostside::Result<std::unique_ptr<relay::Relay>> created = relay::Relay::Create(options, vantor);
  if (!created) {
    return Fail(created.Message());
  }
  const std::unique_ptr<relay::Relay> relay = std::move(created).Take();
  if (!relay::IsLoopback(relay->Listening())) {
    relay::Report("warning: listening on " + relay::Describe(relay->Listening()) +
                  ", which other machines can reach; anyone who connects plays on your server "
                  "connection");
  }
  relay::Report("listening on " + relay::Describe(relay->Listening()) + " for " +
                relay::Describe(relay->Server()));
  std::unique_ptr<platform::Program> client;
  if (!options.client.empty()) {
    hostside::Result<std::unique_ptr<platform::Program>> started =
        StartClient(options.client, relay->Listening());
    if (!started) {
      return Fail("cannot start the client: " + started.Message());
    }
    client = std::move(started).Take();
  }
  const int code =
      relay->Run(stop->Descriptor(), client ? static_cast<int>(client->ExitWaitable()) : -1);
  if (client) {
    // Ended by the user's Ctrl-C or a signal to the relay, the client goes with it.
    if (const auto status = client->Terminate(kClientEndTimeoutMs)) {
      relay::Report("the client " + platform::Describe(*status));
    }
  }
  return code;
}
