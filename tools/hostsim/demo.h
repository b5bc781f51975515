#pragma once
#include "tools/hostsim/command_line.h"
#include "tools/hostsim/session.h"

namespace hostsim {

// The built-in traffic: announces the pipes, sends the identity, then announces games of a
// crowd of players at a steady rate, answers the program's commands as a server would and
// ends each game after a while. Logs what happens, one line each, until the program ends or
// the user interrupts. Returns hostsim's exit status.
int RunDemo(Session& session, const Options& options);

}  // namespace hostsim
