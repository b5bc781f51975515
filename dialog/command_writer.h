#pragma once
#include <string_view>

class CIpcPipe;

namespace dialog {

// Writes one server command to the host through the write end. True when the host holds it:
// stored counts as written even when the host could not be woken, since its reader finds the
// bytes at its next wake-up and a second copy would repeat them. A null or unopened end, or a
// full ring, gives false.
bool WriteCommand(CIpcPipe* pipe, std::string_view text);

}  // namespace dialog
