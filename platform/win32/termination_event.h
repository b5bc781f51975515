#pragma once
#include "platform/win32/windows_api.h"

namespace platform::win32 {

// What TerminationSignals turns Ctrl-C, Ctrl-Break and the console's closing into on Windows,
// where there is no descriptor to watch: a manual-reset event, set while one is pending and
// reset by TerminationSignals::Clear(). Null until the first Install().
HANDLE TerminationEvent();

}  // namespace platform::win32
