#include "platform/thread_id.h"

#include "platform/win32/windows_api.h"

namespace platform {

ThreadId CurrentThreadId() {
  return ::GetCurrentThreadId();
}

}  // namespace platform
