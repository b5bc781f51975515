#include "app/command_line.h"

#include <CLI/CLI.hpp>

#include "res/version.h"

namespace app {

cli::Outcome ParseCommandLine(const std::vector<std::string>& args,
                              const std::string& meetingTheHost) {
  CLI::App app("", "vantor1");
  cli::SetSynopsis(app, {"[--help | --version]"});
  app.description(
      "Opens observation boards for the players you follow on a chess server. It runs beside\n"
      "your chess-server client (the host), which starts it and offers it its channel.\n\n" +
      meetingTheHost);
  return cli::Parse(app, args, VANTOR_VERSION);
}

}  // namespace app
