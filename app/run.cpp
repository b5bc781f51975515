#include "app/run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/termination_signals.h"
#include "app/thread_message_pump.h"
#include "app/watch_app.h"
#include "hostlink/host_session.h"

int RunWatchApp(CWatchApp& app) {
  // Without both numbers the host's messages could never be told apart: the program would run
  // on deaf to the host, its quit included.
  if (IpcNewPipeMessage() == 0 || IpcDataReadyMessage() == 0) {
    std::fprintf(stderr, "vantor1: cannot register the host's message names: %s\n",
                 std::strerror(RegisteredMessageError()));
    return 1;
  }
  // Installed before the queue exists: whoever sees the queue may end the program at once, and
  // it must still unwind and remove the queue.
  const TerminationSignals termination;
  const std::unique_ptr<platform::ThreadMessageQueue> queue =
      platform::ThreadMessageQueue::Create();
  if (!queue) {
    std::fprintf(stderr, "vantor1: cannot create the thread's message queue: %s\n",
                 std::strerror(errno));
    return 1;
  }
  const ThreadMessagePump pump(*queue, [&app](const platform::ThreadMessage& message) {
    (void)app.DispatchThreadMessage(message);
  });
  (void)app.InitInstance();
  return 0;
}
