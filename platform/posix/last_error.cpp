#include "platform/last_error.h"

namespace platform {

namespace {
thread_local std::uint32_t tLastError = 0;
}  // namespace

void SetLastError(std::uint32_t code) {
  tLastError = code;
}
std::uint32_t GetLastError() {
  return tLastError;
}

}  // namespace platform
