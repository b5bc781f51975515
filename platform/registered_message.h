#pragma once
#include <cstdint>
#include <string_view>

namespace platform {

// The same number for the same name in every process of the user, distinct numbers for
// distinct names, in 0xC000-0xFFFF; names compare without regard to ASCII case.
// 0 (errno set) when no number could be had: the table is full, or it cannot be trusted (not
// the user's own, open to others, of the wrong size), or the user's private directory cannot be.
std::uint32_t RegisterMessage(std::string_view name);

}  // namespace platform
