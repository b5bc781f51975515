#include "tools/hostsim/stand_in.h"

#include "hostlink/host_session.h"
#include "platform/message_loop.h"
#include "watcher/drain.h"
#include "watcher/watch_state.h"

namespace hostsim {

int RunStandIn(const char* followed, const StandInHook& first, int quitStatus) {
  auto queue = platform::ThreadMessageQueue::Create();
  if (!queue) {
    return 3;
  }
  WatchState state;
  if (followed != nullptr) {
    state.AddFollowName(followed);
  }
  for (;;) {
    queue->WaitForWakeup(-1);
    const auto message = platform::TakeNextMessage(*queue);
    if (!message) {
      continue;
    }
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
