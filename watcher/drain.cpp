#include "watcher/drain.h"

#include "watcher/host_message.h"

DrainOutcome DrainReadPipe(CIpcPipe& readPipe, CIpcPipe& writePipe, WatchState& state) {
  while (auto message = ReadHostMessage(readPipe, writePipe, state)) {
    ReleaseHostMessage(std::move(message));
  }
  DrainOutcome outcome;
  if (!state.myName.empty() && !state.titleSet) {
    outcome.newTitle = "Vantor1 - " + state.myName;  // whole, however long the name
    state.titleSet = true;
  }
  outcome.quit = state.quitRequested;
  return outcome;
}
