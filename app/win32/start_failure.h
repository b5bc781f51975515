#pragma once
#include <cstdio>
#include <string>

#include "ui/win32/windows_ui.h"

namespace app::win32 {

// Why the program cannot start. A window program started from the desktop has no console to
// read stderr on, so the reason is shown in a box as well.
inline void ReportStartFailure(const std::string& reason) {
  std::fprintf(stderr, "vantor1: %s\n", reason.c_str());
  ::MessageBoxA(nullptr, reason.c_str(), "vantor1", MB_OK | MB_ICONERROR);
}

}  // namespace app::win32
