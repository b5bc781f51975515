#include "platform/last_error.h"

#include "platform/win32/windows_api.h"

namespace platform {

// The system's own per-thread value, so that codes set here and by the system share one place.
void SetLastError(std::uint32_t code) {
  ::SetLastError(code);
}
std::uint32_t GetLastError() {
  return ::GetLastError();
}

}  // namespace platform
