#include "platform/message_loop.h"

namespace platform {

std::optional<ThreadMessage> TakeNextMessage(ThreadMessageQueue& queue) {
  queue.ClearWakeups();
  std::optional<ThreadMessage> message = queue.Take();
  if (message) {
    // Before the message is handled: its handler may run a nested loop, which must go on
    // delivering.
    queue.Wake();
  }
  return message;
}

}  // namespace platform
