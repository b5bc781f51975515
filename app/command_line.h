#pragma once
// vantor1's command line: --help and --version, read before any display is opened.
#include <string>
#include <vector>

#include "cli/parse.h"

namespace app {

// `meetingTheHost` is the help's paragraph on how vantor1 meets its host, which differs per
// system.
cli::Outcome ParseCommandLine(const std::vector<std::string>& args,
                              const std::string& meetingTheHost);

}  // namespace app
