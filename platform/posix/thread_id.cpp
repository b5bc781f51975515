#include "platform/thread_id.h"

#include <unistd.h>

namespace platform {

// Not cached: a forked child's thread must see its own id.
ThreadId CurrentThreadId() {
  return static_cast<ThreadId>(::gettid());
}

}  // namespace platform
