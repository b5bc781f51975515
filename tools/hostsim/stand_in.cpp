#include "tools/hostsim/stand_in.h"

#include <poll.h>

#include "hostlink/host_session.h"
#include "watcher/drain.h"
#include "watcher/watch_state.h"

namespace hostsim {

int RunStandIn(const char* followed, const StandInHook& first, int quitStatus) {
  auto queue = platform::ThreadMessageQueue::Create();
  if (!queue) {
    return 3;
  }
  WatchState state;
  state.AddFollowName(followed);
  for (;;) {
    pollfd p{queue->Descriptor(), POLLIN, 0};
    if (poll(&p, 1, -1) < 0) {
      continue;
    }
    queue->ClearWakeups();
    const auto message = queue->Take();
    if (!message) {
      continue;
    }
    queue->Wake();
    if (first) {
      if (const std::optional<int> status = first(*message)) {
        return *status;
      }
    }
    if (message->message == IpcNewPipeMessage()) {
      HandleNewPipe(message->wParam, message->lParam);
    } else if (message->message == IpcDataReadyMessage()) {
      if (DrainReadPipe(theReadPipe, theWritePipe, state).quit) {
        return quitStatus;
      }
    }
  }
}

}  // namespace hostsim
