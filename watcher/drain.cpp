#include "watcher/drain.h"

#include "watcher/host_message.h"
#include "watcher/server_follow_list.h"

DrainOutcome DrainReadPipe(CIpcPipe& readPipe, CIpcPipe& writePipe, WatchState& state) {
  // A message of an unlisted kind is skipped and yields no record, so a missing record ends the
  // drain only once the ring is empty or stops shrinking (a torn header, a refused message).
  // Stopping at the first skip would strand what follows, the quit included, when the host's
  // later signals were refused by a full queue.
  std::int32_t lastWaiting = -1;
  for (;;) {
    if (auto message = ReadHostMessage(readPipe, writePipe, state)) {
      ReleaseHostMessage(std::move(message));
      continue;
    }
    const std::int32_t waiting = readPipe.BytesWaiting();
    if (waiting <= 0 || waiting == lastWaiting) {
      break;
    }
    lastWaiting = waiting;
  }
  AskForServerFollowList(writePipe, state);  // the identity may have come in this drain
  DrainOutcome outcome;
  if (!state.myName.empty() && !state.titleSet) {
    outcome.newTitle = "Vantor1 - " + state.myName;  // whole, however long the name
    state.titleSet = true;
  }
  outcome.quit = state.quitRequested;
  return outcome;
}
