#pragma once
#include <cstddef>

namespace platform {

// Copies n bytes where one side is a mapping that another process can shrink under us. True when
// copied; false when the mapping's pages went away during the copy (dest may then hold part of
// the bytes). Without it, touching a vanished page ends the process.
bool CopyGuarded(void* dest, const void* src, std::size_t n);

}  // namespace platform
