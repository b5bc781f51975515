#pragma once
#include <cstdint>
#include <string_view>

namespace platform {

// The same number for the same name in every process of the user, distinct numbers for
// distinct names, in 0xC000-0xFFFF; names compare without regard to ASCII case.
// 0 when no number could be had (table full, shared memory unavailable).
std::uint32_t RegisterMessage(std::string_view name);

}  // namespace platform
