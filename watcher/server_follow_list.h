#pragma once
#include <string_view>

#include "hostlink/ipc_pipe.h"
#include "watcher/watch_state.h"

// The follow list comes back from the server: the user's game-notification list there holds
// every name that Add/gnot put on it, and outlives vantor1, which keeps nothing on disk.

// Sends "=gnotify" (kind 2) once per attach, as soon as the write end is open and the login name
// is known: before the host names the user, the server may not yet take commands. A write that
// fails is tried again at the next call. Nothing waits for the answer.
void AskForServerFollowList(CIpcPipe& writePipe, WatchState& state);

// One server line for the list's reader. The answer's names that are not followed yet join the
// follow list, with no "+gnotify": the server has them; none joins a list that holds
// GnotifyListReader::kMaxNames names. They go into state.serverNamesAdded, and
// the count into state.serverListAdded once the answer has been read.
void ReadServerFollowList(std::string_view line, WatchState& state);
