#pragma once
#include <cstdint>

namespace platform {

// A thread's id as the kernel numbers it; a process's main thread has the process id.
using ThreadId = std::uint32_t;

ThreadId CurrentThreadId();

}  // namespace platform
