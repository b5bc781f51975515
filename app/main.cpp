#include <QApplication>
#include <cstdio>

#include "app/command_line.h"
#include "app/display_check.h"
#include "app/run.h"
#include "app/watch_app.h"

namespace {

constexpr const char* kMeetingTheHost =
    "On Linux no host program exists: vantor1-relay plays the host between your chess client\n"
    "and the server, and starts vantor1 for each session. For example:\n"
    "  vantor1-relay --client 'xboard -ics -icshost %h -icsport %p' SERVER\n"
    "(man vantor1-relay). Started on its own, vantor1 waits for a host that never comes.";

}  // namespace

int main(int argc, char* argv[]) {
  // Read before Qt starts, so that --help and --version work without a display.
  const cli::Outcome outcome =
      app::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), kMeetingTheHost);
  if (outcome.kind != cli::Outcome::Kind::Run) {
    return cli::Report(outcome, "vantor1");
  }
  // Qt aborts without a display; one line and status 1 instead.
  if (const std::optional<std::string> problem = app::DisplayProblem()) {
    std::fprintf(stderr, "vantor1: %s\n", problem->c_str());
    return 1;
  }
  QApplication application(argc, argv);
  return RunWatchApp(theApp);
}
