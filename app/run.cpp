#include "app/run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/termination_signals.h"
#include "app/thread_message_pump.h"
#include "app/watch_app.h"

int RunWatchApp(CWatchApp& app) {
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
  const TerminationSignals termination;
  (void)app.InitInstance();
  return 0;
}
