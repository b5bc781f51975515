#pragma once
#include "hostlink/ipc_pipe.h"
#include "watcher/host_message.h"
#include "watcher/watch_state.h"

// Acts on one argument message (kind 1001), in this order:
//   - identity (type 0): a non-empty argument 0 becomes the login name (cut to 51 bytes);
//   - argument 0 of any type, when it is a game notification line: decides whether to watch
//     the game and, if so, writes "observe <player>\n" as a kind-2 text into writePipe and
//     counts the board as claimed (even when the write fails; the next claim reset drops it);
//     what it decided, and why, goes into state.lastDecision;
//   - argument 0 of any other type, as server text: the answer to the program's "=gnotify"
//     adds the server's names to the follow list (watcher/server_follow_list.h);
//   - game relation (type 43): 'O' in argument 1 counts game number argument 0 as watched, 'X'
//     stops counting its first listed entry and takes one claim back, never below the count of
//     watched games.
// Absent arguments read as empty. Nothing else is changed; nothing is sent but the observe command.
void HandleArgumentMessage(const HostMessage& message, CIpcPipe& writePipe, WatchState& state);
