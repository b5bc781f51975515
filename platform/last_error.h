#pragma once
#include <cstdint>

namespace platform {

// The calling thread's last-error value: set by the pipe operations, read by tests.
void SetLastError(std::uint32_t code);
std::uint32_t GetLastError();

}  // namespace platform
