#include "app/run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/termination_signals.h"
#include "app/thread_message_pump.h"
#include "app/watch_app.h"
#include "hostlink/host_session.h"
#include "platform/named_objects.h"

namespace {

// The reason for a refusal: where the objects must live and what to do, when that is the cause.
std::string Reason(int error) {
  const std::string place = platform::ObjectPlaceProblem();
  return place.empty() ? std::strerror(error) : place;
}

}  // namespace

int RunWatchApp(CWatchApp& app) {
  // Without both numbers the host's messages could never be told apart: the program would run
  // on deaf to the host, its quit included.
  if (IpcNewPipeMessage() == 0 || IpcDataReadyMessage() == 0) {
    std::fprintf(stderr, "vantor1: cannot register the host's message names: %s\n",
                 Reason(RegisteredMessageError()).c_str());
    return 1;
  }
  // Installed before the queue exists: whoever sees the queue may end the program at once, and
  // it must still unwind and remove the queue.
  const TerminationSignals termination;
  const std::unique_ptr<platform::ThreadMessageQueue> queue =
      platform::ThreadMessageQueue::Create();
  if (!queue) {
    std::fprintf(stderr, "vantor1: cannot create the thread's message queue: %s\n",
                 Reason(errno).c_str());
    return 1;
  }
  // A quit whose "IPCDataReady" a full queue refused would wait in the ring for ever: once the
  // queue is drained, the read end is looked at as if that post had come.
  const auto dispatch = [&app](const platform::ThreadMessage& message) {
    (void)app.DispatchThreadMessage(message);
  };
  const ThreadMessagePump pump(*queue, dispatch, [&dispatch] {
    dispatch({IpcDataReadyMessage(), 0, 0});
  });
  (void)app.InitInstance();
  return 0;
}
