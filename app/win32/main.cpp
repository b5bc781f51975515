#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/run.h"
#include "app/watch_app.h"
#include "app/win32/command_line_output.h"

namespace {

constexpr const char* kMeetingTheHost =
    "On Windows your chess client starts vantor1.exe as one of its helper programs and offers\n"
    "it its pipes; the caption shows your name once it is attached. hostsim.exe --demo\n"
    "--spawn vantor1.exe plays the client's part for trying it out.";

}  // namespace

int main(int argc, char* argv[]) {
  const cli::Outcome outcome =
      app::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), kMeetingTheHost);
  if (outcome.kind != cli::Outcome::Kind::Run) {
    return app::win32::ReportCommandLine(outcome);
  }
  return RunWatchApp(theApp);
}
