#pragma once
#include <optional>
#include <string>

#include "hostlink/ipc_pipe.h"
#include "watcher/watch_state.h"

// What the window must do after a drain of the read end.
struct DrainOutcome {
  std::optional<std::string> newTitle;  // set the caption to this ("Vantor1 - " + myName)
  bool quit = false;                    // end the process with status 0, now
};

// The work of one "IPCDataReady": reads and releases every message in readPipe, reading past
// messages of unlisted kinds, until the ring is empty or a read makes no progress (a torn
// header or a message the reader refuses), then, whether or not anything
// was read, names the window once per run as soon as the login name is known, asks for the
// server's follow list once per attach (watcher/server_follow_list.h), and reports a quit
// that the host asked for.
DrainOutcome DrainReadPipe(CIpcPipe& readPipe, CIpcPipe& writePipe, WatchState& state);
